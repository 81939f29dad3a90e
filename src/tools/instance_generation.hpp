// Reproducible instances: the processing times of n jobs drawn with Taillard's generator,
// machine by machine as he drew his flow-shop benchmarks (p1 of jobs 1..n, then p2 of jobs
// 1..n), written in the solver's data-file format.
#pragma once

#include <cstdint>
#include <string>

namespace zemko_tools {

struct InstanceShape {
    int n_jobs = 20;
    int low = 1;     // smallest processing time
    int high = 100;  // largest processing time
    int route = 1;   // written on every line: 1 for machine 1 first, 2 for machine 2 first
};

// Why a shape cannot be generated, or "" when it can: at least one job and at most the
// solver's job limit, 1 <= low <= high (a job whose two times are 0 would not be read as a
// job), route 1 or 2, and times small enough that the solver accepts every instance.
std::string shape_problem(const InstanceShape& shape);

// The text of one data file ("id p1 p2 route" per line, ids 1..n). Draws 2n numbers from
// seed, which is left where the next instance of a series continues.
std::string generate_instance(const InstanceShape& shape, std::int32_t& seed);

}  // namespace zemko_tools
