// Reading back the console output of a zemko run.
#include "tools/solver_transcript.hpp"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace zemko_tools {

namespace {

constexpr const char* JOBS_LOADED_END = " Jobs loaded.";
constexpr const char* ROOT_BOUNDS_START = "LB = ";
constexpr const char* FO_START = "FO           = ";
constexpr const char* BOUNDS_START = "Bounds Calcolati = ";
constexpr const char* NO_SOLUTION_LINE = "No solutions found";
constexpr const char* BEAM_STOPPED = " during the beam search, at level ";
constexpr const char* INTERRUPTED_START = "Interrupted";
constexpr const char* IMPROVEMENT_HEADING = "Improvement phase:";
constexpr const char* IMPROVEMENT_FROM = "; from FO = ";
constexpr const char* IMPROVEMENT_FINAL = "Improvement phase: FO = ";
constexpr const char* CERTIFICATE_START = "Certificate: lower bound ";
constexpr const char* OPTIMAL_MARK = ", optimal";
// The solver's messages for a data file it turns down (docs/usage.md, "Errors").
constexpr const char* REFUSAL_STARTS[] = {"Number too large in data file", "Too many jobs",
                                          "Processing times too large",
                                          "This version solve flow shop problems only."};

bool starts_with(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

bool ends_with(const std::string& line, const std::string& suffix) {
    return line.size() >= suffix.size() &&
           line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The integer that ends just before position end of line (digits and an optional sign).
std::optional<int> integer_before(const std::string& line, size_t end) {
    size_t begin = end;
    while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9')
        --begin;
    if (begin == end) return std::nullopt;
    if (begin > 0 && line[begin - 1] == '-') --begin;
    int value = 0;
    if (std::sscanf(line.c_str() + begin, "%d", &value) != 1) return std::nullopt;
    return value;
}

bool is_refusal(const std::string& line) {
    for (const char* start : REFUSAL_STARTS)
        if (starts_with(line, start)) return true;
    return false;
}

// "Improvement phase: TimeLimit = 10 s, StepLimit = 500 steps, Seed = 1; from FO = 55703
// (beam search) at 0.05 s". The limits before "; from" come in any number and form (a decimal
// TimeLimit too) and are not needed here: only the start is read. Its origin in brackets is
// skipped whatever it says, and the time follows only under a time limit.
void read_phase_heading(const std::string& line, SolverTranscript& t) {
    t.improved = true;
    const size_t from = line.find(IMPROVEMENT_FROM);
    if (from == std::string::npos) return;
    size_t pos = from + std::strlen(IMPROVEMENT_FROM);
    long long objective = 0;
    int used = 0;
    if (std::sscanf(line.c_str() + pos, "%lld%n", &objective, &used) != 1) return;
    t.improvement_start_fo = objective;
    pos += static_cast<size_t>(used);
    if (line.compare(pos, 2, " (") == 0) {
        const size_t close = line.find(')', pos);
        if (close == std::string::npos) return;
        pos = close + 1;
    }
    double seconds = 0;
    char unit = 0;
    if (std::sscanf(line.c_str() + pos, " at %lf %c", &seconds, &unit) == 2 && unit == 's')
        t.improvement_start = seconds;
}

// "Improvement phase: FO = F after S steps" and, under a time limit, " in T s".
void read_phase_end(const std::string& line, SolverTranscript& t) {
    int objective = 0;
    long long steps = 0;
    if (std::sscanf(line.c_str(), "Improvement phase: FO = %d after %lld steps", &objective,
                    &steps) == 2) {
        t.final_fo = objective;
        t.improvement_steps = steps;
    }
}

// "     0.33 s  step 800  FO = 195636  gap ..." or, bounded by steps alone,
// "step 800  FO = 195636  gap ..."; any other line of the phase is passed over.
void read_improvement(const std::string& line, SolverTranscript& t) {
    TranscriptImprovement found;
    double seconds = 0;
    if (std::sscanf(line.c_str(), " %lf s step %lld FO = %lld", &seconds, &found.step,
                    &found.objective) == 3) {
        found.seconds = seconds;
        t.improvements.push_back(found);
    } else if (std::sscanf(line.c_str(), " step %lld FO = %lld", &found.step, &found.objective) ==
               2) {
        t.improvements.push_back(found);
    }
}

// "Certificate: lower bound L, gap g %" with ", optimal" after the gap when it is proven;
// whatever else a later form adds to the line is passed over.
void read_certificate(const std::string& line, SolverTranscript& t) {
    long long bound = 0;
    if (std::sscanf(line.c_str(), "Certificate: lower bound %lld", &bound) != 1) return;
    t.certified_lb = bound;
    t.optimal = line.find(OPTIMAL_MARK) != std::string::npos;
}

// The lines of the beam search's report; false when the line is none of them.
bool read_beam_report_line(const std::string& line, SolverTranscript& t) {
    int a = 0, b = 0;
    char tail = 0;
    if (!t.n_jobs && ends_with(line, JOBS_LOADED_END)) {
        // The file name before " : N" is printed as given and may hold anything.
        t.n_jobs = integer_before(line, line.size() - std::strlen(JOBS_LOADED_END));
    } else if (!t.root_lb && starts_with(line, ROOT_BOUNDS_START) &&
               std::sscanf(line.c_str(), "LB = %d, UB = %d%c", &a, &b, &tail) == 2) {
        t.root_lb = a;
        t.root_ub = b;
    } else if (!t.fo && starts_with(line, FO_START) &&
               std::sscanf(line.c_str(), "FO = %d (found at level %d)", &a, &b) == 2) {
        t.fo = a;
        t.level_found = b;
    } else if (!t.bounds_computed && starts_with(line, BOUNDS_START) &&
               std::sscanf(line.c_str(), "Bounds Calcolati = %d%c", &a, &tail) == 1) {
        t.bounds_computed = a;
    } else if (line == NO_SOLUTION_LINE) {
        t.no_solution = true;
    } else if (is_refusal(line)) {
        t.data_refused = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

SolverTranscript parse_transcript(const std::string& output) {
    SolverTranscript t;
    std::istringstream in(output);
    std::string line;
    // Each value is taken from the first line that carries it: later lines of the same shape
    // could only come from a file name or a trace, never from the report itself.
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (read_beam_report_line(line, t)) continue;
        if (starts_with(line, INTERRUPTED_START)) t.interrupted = true;
        if (const size_t at = line.find(BEAM_STOPPED); at != std::string::npos) {
            int level = 0;
            if (std::sscanf(line.c_str() + at + std::strlen(BEAM_STOPPED), "%d", &level) == 1)
                t.beam_stopped_at_level = level;
        } else if (!t.certified_lb && starts_with(line, CERTIFICATE_START)) {
            read_certificate(line, t);
        } else if (!t.final_fo && starts_with(line, IMPROVEMENT_FINAL)) {
            read_phase_end(line, t);
        } else if (!t.improved && starts_with(line, IMPROVEMENT_HEADING)) {
            read_phase_heading(line, t);
        } else if (t.improved && !t.final_fo) {
            read_improvement(line, t);
        }
    }
    return t;
}

}  // namespace zemko_tools
