#pragma once
// What this x86 processor offers beyond the baseline, asked once with CPUID; on
// any other processor, nothing.

// SSSE3, which the Adler-32 of 32 bytes a step needs.
bool cpuHasSsse3();
