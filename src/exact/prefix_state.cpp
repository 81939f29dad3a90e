#include "exact/prefix_state.hpp"

namespace zemko {

PrefixState state_of(const JobTimes& times, const std::vector<int>& sequence) {
    PrefixState state;
    for (int job : sequence)
        state = append_job(state, times.p1[job], times.p2[job]);
    return state;
}

}  // namespace zemko
