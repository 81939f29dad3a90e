// Compiled forms of a hot loop per instruction set, where the processor family has them: on
// x86-64 a function marked ZEMKO_CPU_CLONES is compiled for AVX-512, AVX2 and the baseline, and
// the widest the processor runs is chosen when the program starts; elsewhere it is compiled
// once. Every form computes the same bits (no fused multiply-add anywhere). The thread
// sanitizer cannot run the choosers (they run before it starts), so its builds have one form.
#pragma once

#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define ZEMKO_CPU_CLONES \
    __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define ZEMKO_CPU_CLONES
#endif
