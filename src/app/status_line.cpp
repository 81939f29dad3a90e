// Drawing the status line with carriage returns and the erase-line control sequence.
#include "app/status_line.hpp"

#include <unistd.h>
#include <cstdio>

namespace zemko {

namespace {

constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(250);
constexpr double QUIET_SECONDS = 0.5;  // runs shorter than this draw nothing
constexpr const char* ERASE_LINE = "\r\033[K";
constexpr double MIB = 1024.0 * 1024.0;

void write_to_terminal(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

StatusLine status_line_for_terminal() {
    StatusLine line;
    line.enabled = ::isatty(STDERR_FILENO) == 1;
    return line;
}

std::string status_text(const Progress& progress) {
    char best[32] = "none yet";
    if (progress.best_objective != NO_SOLUTION)
        std::snprintf(best, sizeof best, "%lld", progress.best_objective);
    char text[200];
    const double mib = static_cast<double>(progress.memory_bytes) / MIB;
    if (!progress.improving) {
        std::snprintf(text, sizeof text,
                      "level %d of %d jobs, %d nodes in the beam, best %s, %.1f s, %.0f MiB",
                      progress.level, progress.n_jobs, progress.beam_nodes, best, progress.seconds,
                      mib);
        return text;
    }
    char gap[48] = "";
    if (progress.certified && progress.best_objective != NO_SOLUTION && progress.lower_bound > 0)
        std::snprintf(gap, sizeof gap, ", certified gap %.4f %%",
                      100.0 * static_cast<double>(progress.best_objective - progress.lower_bound) /
                          static_cast<double>(progress.lower_bound));
    std::snprintf(text, sizeof text, "improving %d jobs: step %lld, best %s%s, %.1f s, %.0f MiB",
                  progress.n_jobs, progress.step, best, gap, progress.seconds, mib);
    return text;
}

void update_status_line(StatusLine& line, const Progress& progress) {
    if (!line.enabled || progress.seconds < QUIET_SECONDS) return;
    const auto now = std::chrono::steady_clock::now();
    if (line.drawn && now - line.last_draw < REDRAW_INTERVAL) return;
    write_to_terminal(ERASE_LINE + status_text(progress));
    line.drawn = true;
    line.last_draw = now;
}

void wipe_status_line(StatusLine& line) {
    if (!line.drawn) return;
    write_to_terminal(ERASE_LINE);
    line.drawn = false;
}

}  // namespace zemko
