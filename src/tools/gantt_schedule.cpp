// The schedule of a ub.rep on a data file.
#include "tools/gantt_schedule.hpp"

#include <algorithm>
#include <optional>
#include <sstream>

#include "input/jobs.hpp"
#include "sequence/job_times.hpp"
#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

constexpr const char* NOT_A_PERMUTATION = "ub.rep is not a permutation of the data file's jobs: ";

}  // namespace

std::string parse_ub_rep(const std::string& text, int n_jobs, long long& objective,
                         std::vector<int>& sequence) {
    std::istringstream in(text);
    std::vector<long long> numbers;
    for (std::string word; in >> word;) {
        auto number = parse_integer(word, -zemko::NO_SOLUTION - 1, zemko::NO_SOLUTION);
        if (!number) return "ub.rep holds '" + word + "', which is not a 32-bit integer";
        numbers.push_back(*number);
    }
    if (numbers.empty()) return "ub.rep is empty";
    objective = numbers[0];
    if (objective == zemko::NO_SOLUTION)
        return "ub.rep holds no schedule: the run found no solution";

    size_t listed = numbers.size() - 1;
    if (listed != static_cast<size_t>(n_jobs))
        return NOT_A_PERMUTATION + std::to_string(listed) + " job indices for " +
               std::to_string(n_jobs) + " jobs";
    std::vector<bool> seen(n_jobs, false);
    sequence.clear();
    for (size_t k = 1; k < numbers.size(); ++k) {
        long long index = numbers[k];
        if (index < 0 || index >= n_jobs)
            return std::string(NOT_A_PERMUTATION) + "index " + std::to_string(index) +
                   " is outside 0.." + std::to_string(n_jobs - 1);
        if (seen[index])
            return std::string(NOT_A_PERMUTATION) + "index " + std::to_string(index) +
                   " appears twice";
        seen[index] = true;
        sequence.push_back(static_cast<int>(index));
    }
    return "";
}

std::string job_table_problem(const zemko::JobTable& table) {
    for (int i = 0; i < table.n_jobs; ++i) {
        const zemko::Job& job = table.jobs[i];
        if (job.route != table.jobs[0].route)
            return "the data file mixes routes 1 and 2, which the solver refuses: there is no "
                   "schedule to draw";
        if (job.p1 < 0 || job.p2 < 0)
            return "job " + std::to_string(job.number) +
                   " has a negative time, which a chart "
                   "cannot show";
    }
    return "";
}

Schedule build_schedule(const zemko::JobTable& table, const std::vector<int>& sequence) {
    Schedule schedule;
    schedule.machines_exchanged = zemko::routes_of(table) == zemko::Routes::machine_two_first;
    // Mixed routes are refused by job_table_problem before a schedule is drawn.
    const std::optional<zemko::JobTimes> times = zemko::machine_one_first_times(table);
    if (!times) return schedule;
    long long first_free = 0, second_free = 0;
    for (int index : sequence) {
        const long long first_time = times->p1[index];
        const long long second_time = times->p2[index];
        ScheduledJob s{index, table.jobs[index].number, first_free, first_free + first_time, 0, 0};
        s.second_start = std::max(s.first_end, second_free);
        s.second_end = s.second_start + second_time;
        first_free = s.first_end;
        second_free = s.second_end;
        schedule.objective += s.second_end;
        schedule.jobs.push_back(s);
    }
    schedule.makespan = std::max(first_free, second_free);
    return schedule;
}

}  // namespace zemko_tools
