// Formatted writing to a run's transcript.
#include "util/transcript.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace zemko {

namespace {

// Most messages are a line or a number; longer ones are formatted a second time on the heap.
constexpr int SHORT_MESSAGE = 256;

}  // namespace

void say(const Transcript& out, const char* format, ...) {
    if (!out.stream) return;
    char text[SHORT_MESSAGE];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (length < SHORT_MESSAGE) {
        out.stream->write(text, length);
    } else {
        std::vector<char> long_text(static_cast<size_t>(length) + 1);
        std::vsnprintf(long_text.data(), long_text.size(), format, again);
        out.stream->write(long_text.data(), length);
    }
    va_end(again);
}

}  // namespace zemko
