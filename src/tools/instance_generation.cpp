// Reproducible instances drawn with Taillard's generator.
#include "tools/instance_generation.hpp"

#include <vector>

#include "input/jobs.hpp"
#include "tools/taillard_random.hpp"

namespace zemko_tools {

std::string shape_problem(const InstanceShape& shape) {
    if (shape.n_jobs < 1 || shape.n_jobs > zemko::MAX_JOBS)
        return "the number of jobs must be between 1 and " + std::to_string(zemko::MAX_JOBS);
    if (shape.low < 1 || shape.low > shape.high)
        return "the range of times must satisfy 1 <= low <= high";
    if (shape.route != 1 && shape.route != 2) return "the route must be 1 or 2";
    // The solver refuses a file whose n * sum(p1 + p2) exceeds its limit; checked for the
    // largest draw, so that no seed can give a refused instance.
    long long n = shape.n_jobs;
    if (n * (2 * n * shape.high) > zemko::MAX_TIME_PRODUCT)
        return "times up to " + std::to_string(shape.high) + " for " + std::to_string(n) +
               " jobs could exceed what the solver accepts (n * sum of all times <= " +
               std::to_string(zemko::MAX_TIME_PRODUCT) + ")";
    return "";
}

std::string generate_instance(const InstanceShape& shape, std::int32_t& seed) {
    std::vector<int> p1(shape.n_jobs), p2(shape.n_jobs);
    for (int& time : p1)
        time = taillard_unif(seed, shape.low, shape.high);
    for (int& time : p2)
        time = taillard_unif(seed, shape.low, shape.high);
    std::string text;
    for (int j = 0; j < shape.n_jobs; ++j)
        text += std::to_string(j + 1) + " " + std::to_string(p1[j]) + " " + std::to_string(p2[j]) +
                " " + std::to_string(shape.route) + "\n";
    return text;
}

}  // namespace zemko_tools
