// The Gantt chart of a schedule as an SVG document: a title with the objective, one row per
// machine with one bar per job (labelled with the job's number where it fits, with a tooltip
// everywhere), the idle time of the second machine hatched, and a time axis.
#pragma once

#include <string>

#include "tools/gantt_schedule.hpp"

namespace zemko_tools {

// The document; name is the data file's name, shown in the title.
std::string gantt_svg(const Schedule& schedule, const std::string& name);

}  // namespace zemko_tools
