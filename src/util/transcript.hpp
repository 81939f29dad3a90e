// Where a run's console text goes: a stream given by the caller, or nowhere. Messages are
// formatted as printf formats them, so that the text is the same byte for byte.
#pragma once

#include <ostream>

namespace zemko {

struct Transcript {
    std::ostream* stream = nullptr;  // none: the run prints nothing
};

// Formats and writes one piece of text (nothing when the transcript has no stream).
void say(const Transcript& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace zemko
