// The results table and the summary of a batch.
#include "tools/batch_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

constexpr const char* CSV_HEADER =
    "instance,n,settings,root_lb,root_ub,fo,level_found,bounds_computed,seconds,"
    "peak_memory_kb,exit_status,best_known,gap_to_lb_pct,gap_to_best_pct,beam_fo,"
    "improvement_steps,improvements,certified_lb,gap_to_certified_lb_pct,optimal";

// A CSV field: quoted when it holds a comma, a quote or a line end, quotes doubled.
std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

template <typename T>
std::string optional_field(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "";
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string optional_fixed(const std::optional<double>& value, int decimals) {
    return value ? fixed(*value, decimals) : "";
}

std::optional<long long> widen(const std::optional<int>& value) {
    if (!value) return std::nullopt;
    return *value;
}

// The improvement trace as one field: "seconds/step:objective" per better sequence, blank
// separated (seconds empty for a run bounded by steps alone).
std::string trace_field(const SolverTranscript& t) {
    std::string text;
    for (const TranscriptImprovement& found : t.improvements) {
        if (!text.empty()) text += ' ';
        if (found.seconds) text += fixed(*found.seconds, 2);
        char entry[64];
        std::snprintf(entry, sizeof entry, "/%lld:%lld", found.step, found.objective);
        text += entry;
    }
    return text;
}

// Accumulates one group of the summary.
struct GroupStats {
    int runs = 0;
    int optimal = 0;
    double certified_gap_sum = 0;
    double certified_gap_max = 0;
    int certified_gaps = 0;
    double best_gap_sum = 0;
    int best_gaps = 0;
    double log_shifted_seconds_sum = 0;
    double seconds_max = 0;
};

// The shift of the times' geometric mean: runs of a few milliseconds must not weigh as much as
// runs of seconds, as they would in a plain geometric mean.
constexpr double TIME_SHIFT_SECONDS = 1;

std::string mean_or_dash(double sum, int count, int decimals) {
    return count > 0 ? fixed(sum / count, decimals) : "-";
}

void add_to_group(const BatchRow& row, GroupStats& g) {
    const SolverTranscript& t = row.transcript;
    ++g.runs;
    if (t.certified_lb && t.optimal) ++g.optimal;
    if (auto gap = percent_gap(widen(t.answer()), t.certified_lb)) {
        g.certified_gap_max = g.certified_gaps ? std::max(g.certified_gap_max, *gap) : *gap;
        g.certified_gap_sum += *gap;
        ++g.certified_gaps;
    }
    if (auto gap = percent_gap(widen(t.answer()), row.best_known)) {
        g.best_gap_sum += *gap;
        ++g.best_gaps;
    }
    g.log_shifted_seconds_sum += std::log(row.outcome.seconds + TIME_SHIFT_SECONDS);
    g.seconds_max = std::max(g.seconds_max, row.outcome.seconds);
}

}  // namespace

std::string parse_best_known(const std::string& text, std::map<std::string, long long>& best) {
    std::istringstream in(text);
    std::string line;
    for (int line_number = 1; std::getline(in, line); ++line_number) {
        std::istringstream fields(line);
        std::string name, value, extra;
        if (!(fields >> name) || name[0] == '#') continue;
        auto number = fields >> value ? parse_integer(value, 1, 2147483647) : std::nullopt;
        if (!number || fields >> extra)
            return "line " + std::to_string(line_number) +
                   ": expected \"NAME VALUE\" with a positive integer VALUE";
        if (!best.emplace(name, *number).second)
            return "line " + std::to_string(line_number) + ": '" + name + "' appears twice";
    }
    return "";
}

std::optional<long long> find_best_known(const std::map<std::string, long long>& best,
                                         const std::string& instance) {
    std::filesystem::path path(instance);
    for (const std::string& key : {instance, path.filename().string(), path.stem().string()}) {
        auto it = best.find(key);
        if (it != best.end()) return it->second;
    }
    return std::nullopt;
}

std::optional<double> percent_gap(std::optional<long long> value,
                                  std::optional<long long> reference) {
    if (!value || !reference || *reference <= 0) return std::nullopt;
    return 100.0 * static_cast<double>(*value - *reference) / static_cast<double>(*reference);
}

std::string csv_table(const std::vector<BatchRow>& rows) {
    std::string text = std::string(CSV_HEADER) + "\n";
    for (const BatchRow& row : rows) {
        const SolverTranscript& t = row.transcript;
        std::optional<long long> fo = widen(t.answer());
        std::vector<std::string> fields = {
            csv_field(row.instance),
            optional_field(t.n_jobs),
            csv_field(row.settings),
            optional_field(t.root_lb),
            optional_field(t.root_ub),
            optional_field(t.answer()),
            optional_field(t.level_found),
            optional_field(t.bounds_computed),
            fixed(row.outcome.seconds, 3),
            std::to_string(row.outcome.peak_memory_kb),
            std::to_string(row.outcome.exit_status),
            optional_field(row.best_known),
            optional_fixed(percent_gap(fo, widen(t.root_lb)), 4),
            optional_fixed(percent_gap(fo, row.best_known), 4),
            optional_field(t.fo),
            optional_field(t.improvement_steps),
            csv_field(trace_field(t)),
            optional_field(t.certified_lb),
            optional_fixed(percent_gap(fo, t.certified_lb), 4),
            t.certified_lb ? (t.optimal ? "1" : "0") : "",
        };
        for (size_t f = 0; f < fields.size(); ++f)
            text += (f ? "," : "") + fields[f];
        text += "\n";
    }
    return text;
}

std::string summary_table(const std::vector<BatchRow>& rows, bool with_best_known) {
    // Grouped by number of jobs; runs that did not report it (a refused file) come last.
    constexpr int UNKNOWN_N = -1;
    std::map<int, GroupStats> groups;
    for (const BatchRow& row : rows)
        add_to_group(row, groups[row.transcript.n_jobs.value_or(UNKNOWN_N)]);

    char line[256];
    std::snprintf(line, sizeof line, "%6s %6s %8s %11s %15s", "n", "runs", "optimal", "cert gap %",
                  "max cert gap %");
    std::string text = line;
    if (with_best_known) text += "  gap to best %";
    std::snprintf(line, sizeof line, " %13s %9s\n", "shifted gm s", "max s");
    text += line;
    auto add_group = [&](const std::string& n, const GroupStats& g) {
        const std::string largest = g.certified_gaps ? fixed(g.certified_gap_max, 3) : "-";
        std::snprintf(line, sizeof line, "%6s %6d %8d %11s %15s", n.c_str(), g.runs, g.optimal,
                      mean_or_dash(g.certified_gap_sum, g.certified_gaps, 3).c_str(),
                      largest.c_str());
        text += line;
        if (with_best_known) {
            std::snprintf(line, sizeof line, " %14s",
                          mean_or_dash(g.best_gap_sum, g.best_gaps, 3).c_str());
            text += line;
        }
        const double shifted_mean =
            std::exp(g.log_shifted_seconds_sum / g.runs) - TIME_SHIFT_SECONDS;
        std::snprintf(line, sizeof line, " %13.3f %9.3f\n", shifted_mean, g.seconds_max);
        text += line;
    };
    for (const auto& [n, g] : groups)
        if (n != UNKNOWN_N) add_group(std::to_string(n), g);
    if (groups.count(UNKNOWN_N)) add_group("?", groups[UNKNOWN_N]);
    return text;
}

}  // namespace zemko_tools
