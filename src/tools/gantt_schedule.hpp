// The schedule that a ub.rep describes for a data file: the permutation checked against the
// job table, and the start and end of every job on the machine it visits first and on the one
// it visits second, in sequence order.
#pragma once

#include <string>
#include <vector>

#include "input/jobs.hpp"

namespace zemko_tools {

struct ScheduledJob {
    int index;                           // 0-based position in the data file, as ub.rep names it
    int id;                              // the number written in the data file
    long long first_start, first_end;    // on the machine visited first
    long long second_start, second_end;  // on the machine visited second
};

struct Schedule {
    // True when every job takes route 2: the solver then exchanges the machines, so the
    // machine visited first is machine 2 of the data file.
    bool machines_exchanged = false;
    std::vector<ScheduledJob> jobs;  // in sequence order
    long long objective = 0;         // sum of the completion times on the second machine
    long long makespan = 0;
};

// Reads "objective j0 j1 ..." (blank-separated) from the text of a ub.rep and checks it against
// a table of n_jobs jobs: the indices must be a permutation of 0..n_jobs-1. Returns "" or a
// message saying what is wrong.
std::string parse_ub_rep(const std::string& text, int n_jobs, long long& objective,
                         std::vector<int>& sequence);

// Checks that the job table can be drawn: one route for all jobs (the solver refuses mixed
// routes) and no negative time. Returns "" or a message.
std::string job_table_problem(const zemko::JobTable& table);

// The schedule of sequence (a permutation of the job table's indices): every job starts on
// the first machine when the previous one leaves it, and on the second machine when it has
// left the first one and the second machine is free.
Schedule build_schedule(const zemko::JobTable& table, const std::vector<int>& sequence);

}  // namespace zemko_tools
