// Drawing a schedule as an SVG Gantt chart.
#include "tools/gantt_svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

// Geometry of the chart, in SVG user units.
constexpr double CHART_LEFT = 130;  // room for the row labels
constexpr double CHART_RIGHT_MARGIN = 40;
constexpr double CHART_TOP = 80;  // room for the title
constexpr double ROW_HEIGHT = 46;
constexpr double ROW_GAP = 18;
constexpr double AXIS_HEIGHT = 60;
constexpr double MIN_PLOT_WIDTH = 900;
constexpr double PLOT_WIDTH_PER_JOB = 32;
constexpr double MAX_PLOT_WIDTH = 16000;

constexpr double LABEL_CHAR_WIDTH = 7.5;  // width of a digit at the label's font size
constexpr double LABEL_PADDING = 6;
constexpr int AXIS_TARGET_TICKS = 10;
constexpr double GOLDEN_ANGLE_DEGREES = 137.508;
constexpr double BAR_INSET = 4;  // bars are a little lower than their row
// Text is placed by its baseline: these drops put it about mid-height of what it labels.
constexpr double LABEL_BASELINE_DROP = 4;
constexpr double ROW_LABEL_BASELINE_DROP = 5;
constexpr double ROW_LABEL_GAP = 12;  // between a row label and the plot
constexpr double TICK_LENGTH = 6;
constexpr double TICK_LABEL_DROP = 22;
constexpr double AXIS_TITLE_DROP = 46;
constexpr double TITLE_Y = 30;
constexpr double SUBTITLE_Y = 52;

std::string number(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

// A tick step of 1, 2 or 5 times a power of ten giving about AXIS_TARGET_TICKS ticks.
long long tick_step(long long span) {
    long long step = 1;
    while (true) {
        for (long long factor : {1, 2, 5})
            if (span / (step * factor) <= AXIS_TARGET_TICKS) return step * factor;
        step *= 10;
    }
}

// One colour per job, the same on both rows: hues a golden angle apart stay distinct.
std::string job_colour(int index) {
    double hue = std::fmod(index * GOLDEN_ANGLE_DEGREES, 360.0);
    return "hsl(" + number(hue) + ",60%,62%)";
}

struct Layout {
    double scale;  // user units per time unit
    double plot_width;
    double first_row_y;
    double second_row_y;
    double axis_y;
    double width;
    double height;
};

Layout layout_for(const Schedule& schedule) {
    Layout l;
    double jobs = static_cast<double>(schedule.jobs.size());
    l.plot_width = std::clamp(jobs * PLOT_WIDTH_PER_JOB, MIN_PLOT_WIDTH, MAX_PLOT_WIDTH);
    l.scale = schedule.makespan > 0 ? l.plot_width / static_cast<double>(schedule.makespan) : 0;
    l.first_row_y = CHART_TOP;
    l.second_row_y = CHART_TOP + ROW_HEIGHT + ROW_GAP;
    l.axis_y = l.second_row_y + ROW_HEIGHT + ROW_GAP / 2;
    l.width = CHART_LEFT + l.plot_width + CHART_RIGHT_MARGIN;
    l.height = l.axis_y + AXIS_HEIGHT;
    return l;
}

std::string bar(const Layout& l, const ScheduledJob& job, bool second_machine) {
    long long start = second_machine ? job.second_start : job.first_start;
    long long end = second_machine ? job.second_end : job.first_end;
    double row_y = second_machine ? l.second_row_y : l.first_row_y;
    double x = CHART_LEFT + static_cast<double>(start) * l.scale;
    double width = static_cast<double>(end - start) * l.scale;
    std::string id = std::to_string(job.id);
    std::string svg = "<rect class=\"bar " + std::string(second_machine ? "second" : "first") +
                      "\" data-job=\"" + id + "\" x=\"" + number(x) + "\" y=\"" +
                      number(row_y + BAR_INSET) + "\" width=\"" + number(width) + "\" height=\"" +
                      number(ROW_HEIGHT - 2 * BAR_INSET) + "\" fill=\"" + job_colour(job.index) +
                      "\"><title>job " + id + ": " + std::to_string(start) + " to " +
                      std::to_string(end) + "</title></rect>\n";
    if (width >= static_cast<double>(id.size()) * LABEL_CHAR_WIDTH + LABEL_PADDING)
        svg += "<text class=\"label\" x=\"" + number(x + width / 2) + "\" y=\"" +
               number(row_y + ROW_HEIGHT / 2 + LABEL_BASELINE_DROP) + "\">" + id + "</text>\n";
    return svg;
}

std::string idle_block(const Layout& l, long long from, long long to) {
    return "<rect class=\"idle\" x=\"" + number(CHART_LEFT + static_cast<double>(from) * l.scale) +
           "\" y=\"" + number(l.second_row_y + BAR_INSET) + "\" width=\"" +
           number(static_cast<double>(to - from) * l.scale) + "\" height=\"" +
           number(ROW_HEIGHT - 2 * BAR_INSET) + "\"><title>idle: " + std::to_string(from) + " to " +
           std::to_string(to) + "</title></rect>\n";
}

std::string time_axis(const Layout& l, long long makespan) {
    std::string svg = "<line class=\"axis\" x1=\"" + number(CHART_LEFT) + "\" y1=\"" +
                      number(l.axis_y) + "\" x2=\"" + number(CHART_LEFT + l.plot_width) +
                      "\" y2=\"" + number(l.axis_y) + "\"/>\n";
    long long step = tick_step(std::max(makespan, 1LL));
    for (long long t = 0; t <= makespan; t += step) {
        std::string x = number(CHART_LEFT + static_cast<double>(t) * l.scale);
        svg += "<line class=\"grid\" x1=\"" + x + "\" y1=\"" + number(l.first_row_y) + "\" x2=\"" +
               x + "\" y2=\"" + number(l.axis_y) + "\"/>\n";
        svg += "<line class=\"tick\" x1=\"" + x + "\" y1=\"" + number(l.axis_y) + "\" x2=\"" + x +
               "\" y2=\"" + number(l.axis_y + TICK_LENGTH) + "\"/>\n";
        svg += "<text class=\"tick-label\" x=\"" + x + "\" y=\"" +
               number(l.axis_y + TICK_LABEL_DROP) + "\">" + std::to_string(t) + "</text>\n";
    }
    svg += "<text class=\"axis-title\" x=\"" + number(CHART_LEFT + l.plot_width / 2) + "\" y=\"" +
           number(l.axis_y + AXIS_TITLE_DROP) + "\">time</text>\n";
    return svg;
}

}  // namespace

std::string gantt_svg(const Schedule& schedule, const std::string& name) {
    Layout l = layout_for(schedule);
    std::string first_label = schedule.machines_exchanged ? "Machine 2" : "Machine 1";
    std::string second_label = schedule.machines_exchanged ? "Machine 1" : "Machine 2";
    std::string subtitle =
        std::to_string(schedule.jobs.size()) + " jobs, makespan " +
        std::to_string(schedule.makespan) +
        (schedule.machines_exchanged ? "; every job takes route 2, machine 2 first" : "") +
        "; hatched: machine " + (schedule.machines_exchanged ? "1" : "2") + " idle";

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(l.width) + "\" height=\"" +
           number(l.height) + "\" viewBox=\"0 0 " + number(l.width) + " " + number(l.height) +
           "\">\n";
    svg +=
        "<style>\n"
        "text { font-family: sans-serif; fill: #222; }\n"
        ".title { font-size: 18px; font-weight: bold; }\n"
        ".subtitle { font-size: 13px; fill: #555; }\n"
        ".row-label { font-size: 14px; text-anchor: end; }\n"
        ".label { font-size: 12px; text-anchor: middle; }\n"
        ".tick-label, .axis-title { font-size: 12px; text-anchor: middle; }\n"
        ".bar { stroke: #333; stroke-width: 0.6; }\n"
        ".idle { fill: url(#idle-hatch); stroke: #b33; stroke-width: 0.6; }\n"
        ".axis, .tick { stroke: #222; stroke-width: 1; }\n"
        ".grid { stroke: #ddd; stroke-width: 1; }\n"
        "</style>\n"
        "<defs><pattern id=\"idle-hatch\" width=\"6\" height=\"6\" "
        "patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\">"
        "<rect width=\"6\" height=\"6\" fill=\"#fbeaea\"/>"
        "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#c44\" stroke-width=\"2\"/>"
        "</pattern></defs>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text class=\"title\" x=\"" + number(CHART_LEFT) + "\" y=\"" + number(TITLE_Y) + "\">" +
           xml_escaped(name) + ": total completion time " + std::to_string(schedule.objective) +
           "</text>\n";
    svg += "<text class=\"subtitle\" x=\"" + number(CHART_LEFT) + "\" y=\"" + number(SUBTITLE_Y) +
           "\">" + xml_escaped(subtitle) + "</text>\n";
    svg += time_axis(l, schedule.makespan);
    svg += "<text class=\"row-label\" x=\"" + number(CHART_LEFT - ROW_LABEL_GAP) + "\" y=\"" +
           number(l.first_row_y + ROW_HEIGHT / 2 + ROW_LABEL_BASELINE_DROP) + "\">" + first_label +
           "</text>\n";
    svg += "<text class=\"row-label\" x=\"" + number(CHART_LEFT - ROW_LABEL_GAP) + "\" y=\"" +
           number(l.second_row_y + ROW_HEIGHT / 2 + ROW_LABEL_BASELINE_DROP) + "\">" +
           second_label + "</text>\n";

    long long second_free = 0;
    for (const ScheduledJob& job : schedule.jobs) {
        if (job.second_start > second_free) svg += idle_block(l, second_free, job.second_start);
        second_free = job.second_end;
    }
    for (const ScheduledJob& job : schedule.jobs)
        svg += bar(l, job, false);
    for (const ScheduledJob& job : schedule.jobs)
        svg += bar(l, job, true);
    svg += "</svg>\n";
    return svg;
}

}  // namespace zemko_tools
