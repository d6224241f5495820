#pragma once
// Works on several packages at once and reports them in their own order: each
// result is handed on, on the calling thread, as soon as it and every one
// before it are done. On a terminal, standard error shows how far it has come.
#include <cstddef>
#include <functional>
#include <string>

// What one package came to.
enum class Verdict { Intact, Damaged, NotAPackage, Stopped };

struct JobResult {
    std::string text; // printed as it is
    Verdict verdict = Verdict::Intact;
};

struct JobCounts {
    size_t intact = 0;
    size_t damaged = 0;
    size_t notPackages = 0;
    bool stopped = false; // Ctrl+C: the packages not yet started were left out
};

// Runs `work` for 0 .. count-1 on `jobs` threads (at least one) and hands each
// result to `report` in order. After Ctrl+C no further package is started.
JobCounts runInOrder(size_t count, unsigned jobs, const std::function<JobResult(size_t)>& work,
                     const std::function<void(const JobResult&)>& report);

// The exit status the counts call for: see commands.h.
int exitStatusOf(const JobCounts& counts);

// The default for -j: the number of processors.
unsigned processorCount();
