// The integer type of the objectives, bounds and scaled prices that the engines beside the beam
// search compute: sums over an instance of up to 501 jobs pass 32 bits.
#pragma once

#include <cstdint>

namespace zemko {

using Cost = std::int64_t;

}  // namespace zemko
