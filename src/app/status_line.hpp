// The status line of a long run: one line on standard error, when it is a terminal, redrawn a
// few times a second with where the search stands, and wiped before the report.
#pragma once

#include <chrono>
#include <string>

#include <zemko/zemko.hpp>

namespace zemko {

struct StatusLine {
    bool enabled = false;  // standard error is a terminal
    bool drawn = false;    // a line is on the terminal now
    std::chrono::steady_clock::time_point last_draw{};
};

// A status line for this process: enabled when standard error is a terminal.
StatusLine status_line_for_terminal();

// The text of the line for a progress report.
std::string status_text(const Progress& progress);

// Redraws the line from a progress report, unless it was drawn a moment ago or the run is
// young (short runs show nothing).
void update_status_line(StatusLine& line, const Progress& progress);

// Takes the line off the terminal.
void wipe_status_line(StatusLine& line);

}  // namespace zemko
