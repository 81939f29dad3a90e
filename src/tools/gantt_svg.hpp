// The Gantt chart of a schedule as an SVG document: a title with the objective, one row per
// machine with one bar per job (labelled with the job's number where it fits, with a tooltip
// everywhere), the idle time of the second machine hatched, and a time axis.
#pragma once

#include <string>

#include "tools/gantt_schedule.hpp"

namespace zemko_tools {

// Geometry of the chart, in SVG user units.
inline constexpr double CHART_LEFT = 130;  // room for the row labels
inline constexpr double CHART_RIGHT_MARGIN = 40;
inline constexpr double CHART_TOP = 80;  // room for the title
inline constexpr double ROW_HEIGHT = 46;
inline constexpr double ROW_GAP = 18;
inline constexpr double AXIS_HEIGHT = 60;
inline constexpr double MIN_PLOT_WIDTH = 900;
inline constexpr double PLOT_WIDTH_PER_JOB = 32;
inline constexpr double MAX_PLOT_WIDTH = 16000;

// The document; name is the data file's name, shown in the title.
std::string gantt_svg(const Schedule& schedule, const std::string& name);

}  // namespace zemko_tools
