#include "driver/phase_report.hpp"

#include <cmath>
#include <cstdio>

namespace zemko {

std::string seconds_text(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, seconds == std::floor(seconds) ? "%.0f" : "%g", seconds);
    return text;
}

void print_phase_heading(const Transcript& out, const Settings& settings, long long objective,
                         const char* source, double seconds) {
    say(out, "\nImprovement phase:");
    if (settings.time_limit > 0)
        say(out, " TimeLimit = %s s,", seconds_text(settings.time_limit).c_str());
    if (settings.step_limit > 0) say(out, " StepLimit = %d steps,", settings.step_limit);
    say(out, " Seed = %d; from FO = %lld (%s)", settings.seed, objective, source);
    if (settings.time_limit > 0) say(out, " at %.2f s", seconds);
    say(out, "\n");
}

void print_improvement(const Transcript& out, const Settings& settings, const Improvement& found,
                       long long root_lower_bound) {
    if (settings.time_limit > 0) say(out, "%9.2f s  ", found.seconds);
    say(out, "step %10lld  FO = %lld  gap %.4f %%  (%s)\n", found.step, found.objective,
        percent_gap(found.objective, root_lower_bound), found_by_name(found.found_by));
}

void print_phase_end(const Transcript& out, const Settings& settings, long long objective,
                     long long steps, double seconds, const Certificate& certificate) {
    say(out, "Improvement phase: FO = %lld after %lld steps", objective, steps);
    if (settings.time_limit > 0) say(out, " in %.2f s", seconds);
    say(out, "\nCertificate: lower bound %lld, gap %.4f %%%s\n", certificate.lower_bound,
        percent_gap(objective, certificate.lower_bound), certificate.optimal ? ", optimal" : "");
}

}  // namespace zemko
