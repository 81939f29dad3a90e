#include "bench_files.hpp"

#include <fstream>
#include <optional>

#include <zemko/zemko.hpp>

#include "input/jobs.hpp"

namespace zemko_bench {

bool read_job_times(const std::string& path, zemko::JobTimes& times, std::string& message) {
    std::vector<zemko::Job> jobs;
    try {
        jobs = zemko::read_jobs_file(path);
    } catch (const zemko::InputError& error) {
        message = path + ": " + error.what();
        return false;
    }
    zemko::JobTable table;
    zemko::table_from_jobs(jobs, table);  // read_jobs_file has refused what it would refuse
    const std::optional<zemko::JobTimes> oriented = zemko::machine_one_first_times(table);
    if (!oriented) {
        message = path + ": the jobs take different routes";
        return false;
    }
    times = *oriented;
    return true;
}

std::vector<int> read_result_sequence(const std::string& path) {
    std::ifstream in(path);
    long long objective = 0;
    std::vector<int> sequence;
    if (!(in >> objective)) return sequence;
    int job = 0;
    while (in >> job)
        sequence.push_back(job);
    return sequence;
}

std::string file_stem(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace zemko_bench
