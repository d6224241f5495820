#pragma once
// What this x86 processor offers beyond the baseline, asked once with CPUID; on
// any other processor, nothing.

// SSSE3, SSE4.1 and the SHA extensions, which the hardware SHA-1 needs together.
bool cpuHasShaExtensions();
// SSSE3, which the Adler-32 of 32 bytes a step needs.
bool cpuHasSsse3();
