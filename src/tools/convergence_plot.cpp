// The convergence plot: mean gaps over time per number of jobs, drawn as SVG.
#include "tools/convergence_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

constexpr int GRID_POINTS_PER_DECADE = 40;
constexpr double EARLIEST_SECONDS = 0.01;  // times below are drawn at the axis's start
constexpr double DECADE_OVERSHOOT = 1.02;  // a last time this close past a decade ends there

// Geometry, in SVG user units.
constexpr double WIDTH = 900;
constexpr double HEIGHT = 560;
constexpr double LEFT = 80;
constexpr double RIGHT = 160;  // room for the legend
constexpr double TOP = 60;
constexpr double BOTTOM = 70;
constexpr double TITLE_Y = 30;
constexpr double TICK_LENGTH = 6;
constexpr double TICK_LABEL_DROP = 22;
constexpr double AXIS_TITLE_DROP = 48;
constexpr double Y_LABEL_GAP = 10;
constexpr double LEGEND_GAP = 20;
constexpr double LEGEND_LINE = 24;
constexpr double LEGEND_ROW = 22;
constexpr int Y_TARGET_TICKS = 6;
constexpr const char* COLOURS[] = {"#1b6ca8", "#d1495b", "#00798c", "#edae49",
                                   "#6a4c93", "#30638e", "#8a5a44", "#3d5a40"};

// One run as the plot sees it: its reference, and its best objective as a step function of
// time, starting at the end of its beam search.
struct RunCurve {
    int n_jobs;
    double reference;
    double start;
    double end;
    std::vector<std::pair<double, long long>> steps;  // (seconds, best objective from then on)

    double best_at(double seconds) const {
        long long best = steps.front().second;
        for (const auto& [at, objective] : steps)
            if (at <= seconds) best = objective;
        return static_cast<double>(best);
    }
};

std::optional<RunCurve> curve_of(const BatchRow& row, bool to_best_known) {
    const SolverTranscript& t = row.transcript;
    if (!t.n_jobs || !t.fo) return std::nullopt;
    std::optional<long long> reference;
    if (to_best_known)
        reference = row.best_known;
    else if (t.root_lb)
        reference = *t.root_lb;
    if (!reference || *reference <= 0) return std::nullopt;
    RunCurve curve{
        *t.n_jobs, static_cast<double>(*reference), row.outcome.seconds, row.outcome.seconds, {}};
    if (t.improved) {
        if (!t.improvement_start) return std::nullopt;  // bounded by steps: no times
        curve.start = *t.improvement_start;
    }
    curve.start = std::max(curve.start, EARLIEST_SECONDS);
    curve.end = std::max(curve.end, curve.start);
    // The phase may start from the insertion construction, better than the beam search's.
    curve.steps.push_back({curve.start, t.improvement_start_fo.value_or(*t.fo)});
    for (const TranscriptImprovement& found : t.improvements)
        if (found.seconds)
            curve.steps.push_back({std::max(*found.seconds, curve.start), found.objective});
    return curve;
}

std::string number(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// A step of 1, 2 or 5 times a power of ten giving about Y_TARGET_TICKS ticks up to top.
double tick_step(double top) {
    double step = std::pow(10.0, std::floor(std::log10(top / Y_TARGET_TICKS)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (top / (step * factor) <= Y_TARGET_TICKS) return step * factor;
    return step * 10;
}

std::string label_of_seconds(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, seconds < 1 ? "%.2g" : "%.0f", seconds);
    return buffer;
}

}  // namespace

std::vector<ConvergenceSeries> convergence_series(const std::vector<BatchRow>& rows,
                                                  bool to_best_known) {
    std::map<int, std::vector<RunCurve>> groups;
    for (const BatchRow& row : rows)
        if (auto curve = curve_of(row, to_best_known)) groups[curve->n_jobs].push_back(*curve);

    std::vector<ConvergenceSeries> series;
    for (const auto& [n_jobs, curves] : groups) {
        ConvergenceSeries line;
        line.n_jobs = n_jobs;
        line.runs = static_cast<int>(curves.size());
        // From the moment every run of the group has an answer to the end of the longest.
        double first = 0, last = 0;
        for (const RunCurve& c : curves) {
            first = std::max(first, c.start);
            last = std::max(last, c.end);
        }
        const int points = std::max(
            2, static_cast<int>(std::ceil(std::log10(last / first) * GRID_POINTS_PER_DECADE)) + 1);
        for (int k = 0; k < points; ++k) {
            const double at = first * std::pow(last / first, k / static_cast<double>(points - 1));
            double sum = 0;
            for (const RunCurve& c : curves)
                sum += 100.0 * (c.best_at(at) - c.reference) / c.reference;
            line.seconds.push_back(at);
            line.mean_gap.push_back(sum / line.runs);
        }
        series.push_back(line);
    }
    return series;
}

namespace {

// The plot's scales: whole decades of seconds, and gaps from 0 (or a round value below the
// lowest, when a run beat its best-known objective) to a round value above the largest.
struct PlotFrame {
    double low_decade = 0, high_decade = 1;
    double y_top = 1, y_bottom = 0, y_step = 1;
    double plot_width = WIDTH - LEFT - RIGHT;
    double plot_height = HEIGHT - TOP - BOTTOM;

    double x_of(double seconds) const {
        const double share = (std::log10(seconds) - low_decade) / (high_decade - low_decade);
        return LEFT + std::min(share, 1.0) * plot_width;
    }
    double y_of(double gap) const { return TOP + plot_height * (y_top - gap) / (y_top - y_bottom); }
};

// Runs under a time limit end a few milliseconds past it: such an end keeps the axis at the
// decade it passes and is drawn on the frame's edge.
PlotFrame plot_frame(const std::vector<ConvergenceSeries>& series) {
    double first = 1, last = 10, top = 0, bottom = 0;
    bool any = false;
    for (const ConvergenceSeries& s : series) {
        if (s.seconds.empty()) continue;
        first = any ? std::min(first, s.seconds.front()) : s.seconds.front();
        last = any ? std::max(last, s.seconds.back()) : s.seconds.back();
        for (double gap : s.mean_gap) {
            top = std::max(top, gap);
            bottom = std::min(bottom, gap);
        }
        any = true;
    }
    PlotFrame frame;
    frame.low_decade = std::floor(std::log10(first));
    frame.high_decade =
        std::max(frame.low_decade + 1, std::ceil(std::log10(last / DECADE_OVERSHOOT)));
    frame.y_step = tick_step(top - bottom > 0 ? top - bottom : 1);
    frame.y_top = std::max(frame.y_step, std::ceil(top / frame.y_step) * frame.y_step);
    frame.y_bottom = std::floor(bottom / frame.y_step) * frame.y_step;
    return frame;
}

// The title, the grid with its ticks, the frame and the axes' titles.
std::string frame_svg(const PlotFrame& frame, const std::string& reference) {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(WIDTH) +
                      "\" height=\"" + number(HEIGHT) + "\" viewBox=\"0 0 " + number(WIDTH) + " " +
                      number(HEIGHT) + "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + number(WIDTH / 2) + "\" y=\"" + number(TITLE_Y) +
           "\" text-anchor=\"middle\" font-size=\"16\">" +
           xml_escaped("Mean gap to " + reference + " over time, per number of jobs") + "</text>\n";
    for (double decade = frame.low_decade; decade <= frame.high_decade; ++decade) {
        const double x = frame.x_of(std::pow(10.0, decade));
        svg += "<line x1=\"" + number(x) + "\" y1=\"" + number(TOP) + "\" x2=\"" + number(x) +
               "\" y2=\"" + number(TOP + frame.plot_height + TICK_LENGTH) +
               "\" stroke=\"#ccc\"/>\n<text x=\"" + number(x) + "\" y=\"" +
               number(TOP + frame.plot_height + TICK_LABEL_DROP) + "\" text-anchor=\"middle\">" +
               label_of_seconds(std::pow(10.0, decade)) + "</text>\n";
    }
    const int gap_ticks =
        static_cast<int>(std::lround((frame.y_top - frame.y_bottom) / frame.y_step));
    for (int tick = 0; tick <= gap_ticks; ++tick) {
        // Counted in steps, so that 0 is drawn as 0 and not as a rounding remainder.
        const long long steps = std::llround(frame.y_bottom / frame.y_step) + tick;
        const double gap = static_cast<double>(steps) * frame.y_step;
        const double y = frame.y_of(gap);
        char label[32];
        std::snprintf(label, sizeof label, "%g", steps == 0 ? 0.0 : gap);
        svg += "<line x1=\"" + number(LEFT - TICK_LENGTH) + "\" y1=\"" + number(y) + "\" x2=\"" +
               number(LEFT + frame.plot_width) + "\" y2=\"" + number(y) +
               "\" stroke=\"#ccc\"/>\n<text x=\"" + number(LEFT - Y_LABEL_GAP) + "\" y=\"" +
               number(y + 4) + "\" text-anchor=\"end\">" + label + "</text>\n";
    }
    svg += "<rect x=\"" + number(LEFT) + "\" y=\"" + number(TOP) + "\" width=\"" +
           number(frame.plot_width) + "\" height=\"" + number(frame.plot_height) +
           "\" fill=\"none\" stroke=\"black\"/>\n";
    svg += "<text x=\"" + number(LEFT + frame.plot_width / 2) + "\" y=\"" +
           number(TOP + frame.plot_height + AXIS_TITLE_DROP) +
           "\" text-anchor=\"middle\">seconds since the run's start (logarithmic)</text>\n";
    svg += "<text transform=\"translate(22," + number(TOP + frame.plot_height / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">mean gap %</text>\n";
    return svg;
}

// The line of series number `index` and its legend entry.
std::string series_svg(const PlotFrame& frame, const ConvergenceSeries& s, int index) {
    const std::string colour = COLOURS[index % (sizeof COLOURS / sizeof COLOURS[0])];
    std::string points;
    for (size_t k = 0; k < s.seconds.size(); ++k) {
        char point[64];
        std::snprintf(point, sizeof point, "%s%.2f,%.2f", k ? " " : "", frame.x_of(s.seconds[k]),
                      frame.y_of(s.mean_gap[k]));
        points += point;
    }
    std::string svg = "<polyline fill=\"none\" stroke=\"" + colour +
                      "\" stroke-width=\"2\" points=\"" + points + "\"><title>" +
                      std::to_string(s.n_jobs) + " jobs, " + std::to_string(s.runs) +
                      " runs</title></polyline>\n";
    const double legend_x = LEFT + frame.plot_width + LEGEND_GAP;
    const double legend_y = TOP + LEGEND_ROW * index + 8;
    svg += "<line x1=\"" + number(legend_x) + "\" y1=\"" + number(legend_y) + "\" x2=\"" +
           number(legend_x + LEGEND_LINE) + "\" y2=\"" + number(legend_y) + "\" stroke=\"" +
           colour + "\" stroke-width=\"2\"/>\n<text x=\"" + number(legend_x + LEGEND_LINE + 8) +
           "\" y=\"" + number(legend_y + 4) + "\">" + std::to_string(s.n_jobs) + " jobs (" +
           std::to_string(s.runs) + ")</text>\n";
    return svg;
}

}  // namespace

std::string convergence_svg(const std::vector<ConvergenceSeries>& series, bool to_best_known) {
    const PlotFrame frame = plot_frame(series);
    std::string svg =
        frame_svg(frame, to_best_known ? "the best-known objective" : "the root's lower bound");
    int index = 0;
    for (const ConvergenceSeries& s : series) {
        if (s.seconds.empty()) continue;
        svg += series_svg(frame, s, index);
        ++index;
    }
    if (index == 0)
        svg += "<text x=\"" + number(LEFT + frame.plot_width / 2) + "\" y=\"" +
               number(TOP + frame.plot_height / 2) +
               "\" text-anchor=\"middle\">no run reported its times and its reference</text>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace zemko_tools
