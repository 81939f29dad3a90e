// The improvement phase's section of the transcript: its heading, a line per better sequence,
// its end and the certificate. A run bounded by its steps alone prints no times, so that its
// transcript is the same on every run.
#pragma once

#include <string>

#include <zemko/zemko.hpp>

#include "certify/certificate.hpp"
#include "util/transcript.hpp"

namespace zemko {

// A number of seconds of the settings as the transcript gives it: a whole number as one (10),
// any other as briefly as it reads (0.5).
std::string seconds_text(double seconds);

// "Improvement phase: TimeLimit = ... s, StepLimit = ... steps, Seed = ...; from FO = ... (...)
// at ... s": the limits, where the phase starts and what that sequence came from.
void print_phase_heading(const Transcript& out, const Settings& settings, long long objective,
                         const char* source, double seconds);

// One better sequence; its gap is to the root's lower bound of the beam search.
void print_improvement(const Transcript& out, const Settings& settings, const Improvement& found,
                       long long root_lower_bound);

// The phase's end: the final objective, the steps, and the certificate line.
void print_phase_end(const Transcript& out, const Settings& settings, long long objective,
                     long long steps, double seconds, const Certificate& certificate);

}  // namespace zemko
