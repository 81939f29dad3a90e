// Reading back the console output of a zemko run.
#include "tools/solver_transcript.hpp"

#include <cstdio>
#include <sstream>

namespace zemko_tools {

namespace {

constexpr const char* JOBS_LOADED_END = " Jobs loaded.";
constexpr const char* ROOT_BOUNDS_START = "LB = ";
constexpr const char* FO_START = "FO           = ";
constexpr const char* BOUNDS_START = "Bounds Calcolati = ";
constexpr const char* NO_SOLUTION_LINE = "No solutions found";
constexpr const char* IMPROVEMENT_HEADING = "Improvement phase:";
constexpr const char* IMPROVEMENT_FROM = "; from FO = ";
constexpr const char* IMPROVEMENT_FINAL = "Improvement phase: FO = ";
constexpr const char* CERTIFICATE_START = "Certificate: lower bound ";
constexpr const char* OPTIMAL_END = ", optimal";

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

}  // namespace

SolverTranscript parse_transcript(const std::string& output) {
    SolverTranscript result;
    std::istringstream in(output);
    std::string line;
    // Each value is taken from the first line that carries it: later lines of the same shape
    // could only come from a file name or a trace, never from the report itself.
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int a = 0, b = 0;
        char tail = 0;
        if (!result.n_jobs && ends_with(line, JOBS_LOADED_END)) {
            // The file name before " : N" is printed as given and may hold anything.
            result.n_jobs = integer_before(line, line.size() - std::string(JOBS_LOADED_END).size());
        } else if (!result.root_lb && starts_with(line, ROOT_BOUNDS_START) &&
                   std::sscanf(line.c_str(), "LB = %d, UB = %d%c", &a, &b, &tail) == 2) {
            result.root_lb = a;
            result.root_ub = b;
        } else if (!result.fo && starts_with(line, FO_START) &&
                   std::sscanf(line.c_str(), "FO = %d (found at level %d)", &a, &b) == 2) {
            result.fo = a;
            result.level_found = b;
        } else if (!result.bounds_computed && starts_with(line, BOUNDS_START) &&
                   std::sscanf(line.c_str(), "Bounds Calcolati = %d%c", &a, &tail) == 1) {
            result.bounds_computed = a;
        } else if (line == NO_SOLUTION_LINE) {
            result.no_solution = true;
        } else if (starts_with(line, CERTIFICATE_START)) {
            long long bound = 0;
            if (std::sscanf(line.c_str(), "Certificate: lower bound %lld", &bound) == 1) {
                result.certified_lb = bound;
                result.optimal = ends_with(line, OPTIMAL_END);
            }
        } else if (starts_with(line, IMPROVEMENT_FINAL)) {
            long long steps = 0;
            if (std::sscanf(line.c_str(), "Improvement phase: FO = %d after %lld steps", &a,
                            &steps) == 2) {
                result.final_fo = a;
                result.improvement_steps = steps;
            }
        } else if (starts_with(line, IMPROVEMENT_HEADING)) {
            result.improved = true;
            const size_t from = line.find(IMPROVEMENT_FROM);
            double seconds = 0;
            if (from != std::string::npos &&
                std::sscanf(line.c_str() + from, "; from FO = %d at %lf s", &a, &seconds) == 2)
                result.improvement_start = seconds;
        } else if (result.improved && !result.final_fo) {
            // "   0.33 s  step 800  FO = 195636  gap ..." or, bounded by steps alone,
            // "step 800  FO = 195636  gap ...".
            TranscriptImprovement found;
            double seconds = 0;
            long long objective = 0;
            if (std::sscanf(line.c_str(), " %lf s step %lld FO = %lld", &seconds, &found.step,
                            &objective) == 3) {
                found.seconds = seconds;
                found.objective = objective;
                result.improvements.push_back(found);
            } else if (std::sscanf(line.c_str(), " step %lld FO = %lld", &found.step, &objective) ==
                       2) {
                found.objective = objective;
                result.improvements.push_back(found);
            }
        }
    }
    return result;
}

}  // namespace zemko_tools
