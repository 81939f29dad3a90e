#include "improve/local_search.hpp"

#include <algorithm>

namespace zemko {

void clear_queue(LocalSearch& search, int n) {
    search.queue.clear();
    search.queued.assign(n, 0);
}

void queue_around(LocalSearch& search, const std::vector<int>& sequence, int position, int window) {
    const int n = static_cast<int>(sequence.size());
    const int first = std::max(0, position - window);
    const int last = std::min(n - 1, position + window);
    for (int k = first; k <= last; ++k) {
        const int job = sequence[k];
        if (!search.queued[job]) {
            search.queued[job] = 1;
            search.queue.push_back(job);
        }
    }
}

Cost local_search(const JobTimes& times, LocalSearch& search, std::vector<int>& sequence,
                  Cost objective, int window, const Limits& limits) {
    const int n = static_cast<int>(sequence.size());
    std::vector<int>& position_of = search.position_of;
    position_of.resize(n);
    for (int k = 0; k < n; ++k)
        position_of[sequence[k]] = k;
    // A stop check costs a clock read: one per few evaluations keeps it negligible and the
    // delay short (an evaluation takes microseconds).
    constexpr int EVALUATIONS_PER_CHECK = 16;
    int until_check = EVALUATIONS_PER_CHECK;
    for (std::size_t head = 0; head < search.queue.size(); ++head) {
        const int job = search.queue[head];
        search.queued[job] = 0;
        const int from = position_of[job];
        const Insertion move =
            best_reinsertion(times, sequence.data(), n, from, objective, search.work);
        if (move.position != from) {
            move_job(sequence, from, move.position);
            for (int k = std::min(from, move.position); k <= std::max(from, move.position); ++k) {
                position_of[sequence[k]] = k;
            }
            objective = move.objective;
            queue_around(search, sequence, from, window);
            queue_around(search, sequence, move.position, window);
        }
        if (--until_check == 0) {
            until_check = EVALUATIONS_PER_CHECK;
            if (must_stop(limits)) break;
        }
    }
    search.queue.clear();
    std::fill(search.queued.begin(), search.queued.end(), 0);
    return objective;
}

}  // namespace zemko
