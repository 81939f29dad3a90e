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
        }
    }
    return result;
}

}  // namespace zemko_tools
