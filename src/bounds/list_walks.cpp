// The list walks of a child.
//
// A child takes its parent's steps with its own job j masked out where it stands in each list.
// Two walks, all 21 lists side by side, one lane each:
//   - the completion walk, in 32-bit integers: times are bounded so that every completion
//     and sum of completions fits, so it gives the objectives exactly;
//   - the estimate walk, in doubles: every lane performs the same IEEE double operations in
//     the same order as the plain walk of its list (E = E + w * (R1 + p2) + (1 - w) * R2, no
//     fused multiply-add), so each estimate is the same to the last bit, whatever vector width
//     the processor offers.
// The vector types are the compiler's generic vectors, so the portable form builds on any
// processor; on x86-64 the wider forms are compiled beside it and chosen at start.
#include "bounds/list_walks.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <cstring>

namespace zemko {

namespace {

// Unaligned vector loads (a vector is not returned by value: that would change the ABI
// between the instruction sets).
template <typename V, typename T>
[[gnu::always_inline]] inline void load(V& v, const T* p) {
    std::memcpy(&v, p, sizeof v);
}

// Vectors of GROUP doubles, of GROUP 64-bit integers (their comparison masks) and of GROUP
// 32-bit integers.
template <int GROUP>
struct Vectors;
template <>
struct Vectors<8> {
    typedef double Double __attribute__((vector_size(64)));
    typedef long long Long __attribute__((vector_size(64)));
    typedef int Int __attribute__((vector_size(32)));
};
template <>
struct Vectors<4> {
    typedef double Double __attribute__((vector_size(32)));
    typedef long long Long __attribute__((vector_size(32)));
    typedef int Int __attribute__((vector_size(16)));
};
template <>
struct Vectors<2> {
    typedef double Double __attribute__((vector_size(16)));
    typedef long long Long __attribute__((vector_size(16)));
    typedef int Int __attribute__((vector_size(8)));
};

// The estimate walk of the 21 lists, GROUP lanes per vector. Times are integers far below
// 2^53, so the running times R1, R2 held in doubles are exact, and each estimate sees the same
// operands, in the same order, as in the plain walk of its list. The step of the child's own
// job changes nothing: every lane's update is merged only where it is not that step.
template <int GROUP>
[[gnu::always_inline]] inline void walk_estimates_in(const ParentLists& lists, int j, int c1,
                                                     int start2, double* estimate) {
    constexpr int GROUPS = LIST_LANES / GROUP;
    using vdouble = typename Vectors<GROUP>::Double;
    using vlong = typename Vectors<GROUP>::Long;
    using vint = typename Vectors<GROUP>::Int;
    vdouble r1[GROUPS], r2[GROUPS], e[GROUPS];
    vlong skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = vdouble{} + c1;
        r2[g] = vdouble{} + start2;
        e[g] = vdouble{};
        for (int l = 0; l < GROUP; ++l)
            skip_at[g][l] = lists.position[j * LIST_LANES + g * GROUP + l];
    }
    const int steps = lists.unscheduled;
    for (int k = 0; k < steps; ++k) {
        const int* p1 = &lists.p1[k * LIST_LANES];
        const int* p2 = &lists.p2[k * LIST_LANES];
        const double* w = &lists.w[k * LIST_LANES];
        for (int g = 0; g < GROUPS; ++g) {
            const vlong own = (vlong{} + k) == skip_at[g];
            vint i1, i2;
            vdouble wk;
            load(i1, p1 + g * GROUP);
            load(i2, p2 + g * GROUP);
            load(wk, w + g * GROUP);
            const vdouble a1 = __builtin_convertvector(i1, vdouble);
            const vdouble a2 = __builtin_convertvector(i2, vdouble);
            const vdouble next_r1 = r1[g] + a1;
            const vdouble next_r2 = r2[g] + a2;
            const vdouble next_e = e[g] + wk * (next_r1 + a2) + (1 - wk) * next_r2;
            r1[g] = own ? r1[g] : next_r1;
            r2[g] = own ? r2[g] : next_r2;
            e[g] = own ? e[g] : next_e;
        }
    }
    for (int g = 0; g < GROUPS; ++g)
        for (int l = 0; l < GROUP; ++l)
            estimate[g * GROUP + l] = e[g][l];
}

// The completion walk: per list, the sum of the machine-2 completions of the child's
// unscheduled jobs in the list's order, from the child's c1 and c2. Eight lanes per vector.
[[gnu::always_inline]] inline void walk_completions_in(const ParentLists& lists, int j, int c1,
                                                       int c2, int* tail_sum) {
    typedef int vint __attribute__((vector_size(32)));
    constexpr int GROUP = 8;
    constexpr int GROUPS = LIST_LANES / GROUP;
    vint r1[GROUPS], t2[GROUPS], sum[GROUPS], skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = vint{} + c1;
        t2[g] = vint{} + c2;
        sum[g] = vint{};
        load(skip_at[g], &lists.position[j * LIST_LANES + g * GROUP]);
    }
    const int steps = lists.unscheduled;
    for (int k = 0; k < steps; ++k) {
        const int* p1 = &lists.p1[k * LIST_LANES];
        const int* p2 = &lists.p2[k * LIST_LANES];
        for (int g = 0; g < GROUPS; ++g) {
            const vint own = (vint{} + k) == skip_at[g];
            vint a1, a2;
            load(a1, p1 + g * GROUP);
            load(a2, p2 + g * GROUP);
            const vint next_r1 = r1[g] + a1;
            const vint next_t2 = (next_r1 > t2[g] ? next_r1 : t2[g]) + a2;
            r1[g] = own ? r1[g] : next_r1;
            t2[g] = own ? t2[g] : next_t2;
            sum[g] += own ? vint{} : next_t2;
        }
    }
    for (int g = 0; g < GROUPS; ++g)
        for (int l = 0; l < GROUP; ++l)
            tail_sum[g * GROUP + l] = sum[g][l];
}

#if defined(__x86_64__)
// The x86-64 forms; all give the same bits (no fused multiply-add). gcc is told to use the full
// 512-bit registers; clang takes their width from the vector types, 512 bits wide here.
#if defined(__clang__)
#define ZEMKO_WIDE_AVX512 "arch=x86-64-v4"
#else
#define ZEMKO_WIDE_AVX512 "arch=x86-64-v4,prefer-vector-width=512"
#endif
__attribute__((target(ZEMKO_WIDE_AVX512))) void walk_estimates_avx512(const ParentLists& lists,
                                                                      int j, int c1, int start2,
                                                                      double* estimate) {
    walk_estimates_in<8>(lists, j, c1, start2, estimate);
}

__attribute__((target("arch=x86-64-v3"))) void walk_estimates_avx2(const ParentLists& lists, int j,
                                                                   int c1, int start2,
                                                                   double* estimate) {
    walk_estimates_in<4>(lists, j, c1, start2, estimate);
}

// The completion walk with AVX-512 masks: a lane's step is merged into its running values
// only where the lane is not at its own job, one masked instruction per update.
__attribute__((target("arch=x86-64-v4"))) void walk_completions_avx512(const ParentLists& lists,
                                                                       int j, int c1, int c2,
                                                                       int* tail_sum) {
    constexpr int GROUPS = LIST_LANES / 8;
    __m256i r1[GROUPS], t2[GROUPS], sum[GROUPS], skip_at[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        r1[g] = _mm256_set1_epi32(c1);
        t2[g] = _mm256_set1_epi32(c2);
        sum[g] = _mm256_setzero_si256();
        skip_at[g] = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(&lists.position[j * LIST_LANES + g * 8]));
    }
    const int steps = lists.unscheduled;
    const int* p1 = lists.p1;
    const int* p2 = lists.p2;
    __m256i step = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi32(1);
    for (int k = 0; k < steps; ++k) {
        for (int g = 0; g < GROUPS; ++g) {
            const __mmask8 taken = _mm256_cmpneq_epi32_mask(step, skip_at[g]);
            const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p1 + g * 8));
            const __m256i a2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p2 + g * 8));
            r1[g] = _mm256_mask_add_epi32(r1[g], taken, r1[g], a1);
            t2[g] = _mm256_mask_add_epi32(t2[g], taken, _mm256_max_epi32(r1[g], t2[g]), a2);
            sum[g] = _mm256_mask_add_epi32(sum[g], taken, sum[g], t2[g]);
        }
        step = _mm256_add_epi32(step, one);
        p1 += LIST_LANES;
        p2 += LIST_LANES;
    }
    for (int g = 0; g < GROUPS; ++g)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(tail_sum + g * 8), sum[g]);
}

__attribute__((target("arch=x86-64-v3"))) void walk_completions_avx2(const ParentLists& lists,
                                                                     int j, int c1, int c2,
                                                                     int* tail_sum) {
    walk_completions_in(lists, j, c1, c2, tail_sum);
}

#endif

void walk_estimates_portable(const ParentLists& lists, int j, int c1, int start2,
                             double* estimate) {
    walk_estimates_in<2>(lists, j, c1, start2, estimate);
}

void walk_completions_portable(const ParentLists& lists, int j, int c1, int c2, int* tail_sum) {
    walk_completions_in(lists, j, c1, c2, tail_sum);
}

using WalkEstimates = void (*)(const ParentLists&, int, int, int, double*);
using WalkCompletions = void (*)(const ParentLists&, int, int, int, int*);

#if defined(__x86_64__)
constexpr WalkEstimates ESTIMATE_FORMS[VECTOR_FORMS] = {walk_estimates_portable,
                                                        walk_estimates_avx2, walk_estimates_avx512};
constexpr WalkCompletions COMPLETION_FORMS[VECTOR_FORMS] = {
    walk_completions_portable, walk_completions_avx2, walk_completions_avx512};

int detect_widest_form() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw"))
        return 2;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return 1;
    return 0;
}
#else
constexpr WalkEstimates ESTIMATE_FORMS[VECTOR_FORMS] = {
    walk_estimates_portable, walk_estimates_portable, walk_estimates_portable};
constexpr WalkCompletions COMPLETION_FORMS[VECTOR_FORMS] = {
    walk_completions_portable, walk_completions_portable, walk_completions_portable};

int detect_widest_form() {
    return 0;
}
#endif

// The processor does not change while the program runs.
const int widest_form = detect_widest_form();

}  // namespace

int widest_vector_form() {
    return widest_form;
}

int usable_vector_form(int form) {
    if (form < 0) return 0;
    return form > widest_form ? widest_form : form;
}

void walk_estimates(int form, const ParentLists& lists, int j, int c1, int start2,
                    double* estimate) {
    ESTIMATE_FORMS[form](lists, j, c1, start2, estimate);
}

void walk_completions(int form, const ParentLists& lists, int j, int c1, int c2, int* tail_sum) {
    COMPLETION_FORMS[form](lists, j, c1, c2, tail_sum);
}

}  // namespace zemko
