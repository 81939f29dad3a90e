// The files the measurement drivers read: data files, read as the solver reads them, and the
// sequence of a result file (ub.rep).
#pragma once

#include <string>
#include <vector>

#include "sequence/job_times.hpp"

namespace zemko_bench {

// The jobs' times of a data file, the machines exchanged when every job takes route 2 (as the
// solver does). False, with the reason in `message`, when the file cannot be used: it cannot
// be read, the solver refuses it, or its jobs take different routes.
bool read_job_times(const std::string& path, zemko::JobTimes& times, std::string& message);

// The sequence of a result file "objective j1 j2 ...": empty when it cannot be read.
std::vector<int> read_result_sequence(const std::string& path);

// The file name without its folder and its last extension.
std::string file_stem(const std::string& path);

}  // namespace zemko_bench
