// The two walks of a child along its parent's compacted lists, all 21 lists side by side: the
// list estimates in doubles, and the list completions in 32-bit integers. Each comes in one
// compiled form per vector width, all giving the same bits.
#pragma once

#include "bounds/parent_lists.hpp"

namespace zemko {

// The forms: 0 the portable one, 1 AVX2, 2 AVX-512 (x86-64 only).
inline constexpr int VECTOR_FORMS = 3;

// The widest form the processor runs, chosen once when the program starts.
int widest_vector_form();

// The form to use when `form` is asked for: no wider than the widest, no narrower than 0.
int usable_vector_form(int form);

// Per list, the estimate of parent + j: the sum over the child's unscheduled jobs, in the
// list's order, of w * (R1 + p2) + (1 - w) * R2, with R1 running from c1 and R2 from start2;
// the same IEEE operations in the same order as the plain walk of the list.
void walk_estimates(int form, const ParentLists& lists, int j, int c1, int start2,
                    double* estimate);

// Per list, the sum of the machine-2 completions of the child's unscheduled jobs in the list's
// order, from the child's c1 and c2.
void walk_completions(int form, const ParentLists& lists, int j, int c1, int c2, int* tail_sum);

}  // namespace zemko
