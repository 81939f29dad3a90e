// The convergence plot of a batch: per number of jobs, the mean gap of the runs' best objective
// so far over time, on a logarithmic time axis, as an SVG document. A run contributes from the
// moment its beam search ended (its improvement phase's start, or its end when it had none).
#pragma once

#include <string>
#include <vector>

#include "tools/batch_report.hpp"

namespace zemko_tools {

// One line of the plot: the times and the mean gaps in percent.
struct ConvergenceSeries {
    int n_jobs = 0;
    int runs = 0;
    std::vector<double> seconds;
    std::vector<double> mean_gap;
};

// The series of the runs that report their times, grouped by number of jobs; gaps are to the
// best-known objectives when to_best_known, else to the root's lower bound. Runs without the
// reference or without a solution are left out.
std::vector<ConvergenceSeries> convergence_series(const std::vector<BatchRow>& rows,
                                                  bool to_best_known);

// The plot of the series as an SVG document.
std::string convergence_svg(const std::vector<ConvergenceSeries>& series, bool to_best_known);

}  // namespace zemko_tools
