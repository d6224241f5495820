#include "cli/ordered_jobs.h"

#include <chrono>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/stop_signal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// The progress line on standard error, only when that is a terminal.
class Progress {
  public:
    explicit Progress(size_t total) : total_(total), shown_(errorIsTerminal()) {}
    void show(size_t done) {
        const Clock::time_point now = Clock::now();
        if (!shown_ || now - last_ < kProgressInterval) {
            return;
        }
        last_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        char line[96];
        std::snprintf(line, sizeof line, "\r%zu of %zu packages, %.1f a second ", done, total_,
                      seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
        writeText(Stream::Err, line);
    }
    void clear() {
        if (shown_) {
            writeText(Stream::Err, "\r" + std::string(60, ' ') + "\r");
        }
    }

  private:
    size_t total_;
    bool shown_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_ = start_;
};

void tally(const JobResult& result, JobCounts* counts) {
    switch (result.verdict) {
    case Verdict::Intact:
        ++counts->intact;
        break;
    case Verdict::Damaged:
        ++counts->damaged;
        break;
    case Verdict::NotAPackage:
        ++counts->notPackages;
        break;
    case Verdict::Stopped:
        counts->stopped = true;
        break;
    }
}

// What the workers share: the next package to start and the results not yet reported.
struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    size_t next = 0;    // no package from here on is started once it is `count`
    size_t started = 0; // packages 0 .. started-1 were started
    std::map<size_t, JobResult> waiting;
};

void workOn(size_t count, const std::function<JobResult(size_t)>& work, Shared& shared) {
    for (;;) {
        size_t index = 0;
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            if (shared.next == count || stopRequested()) {
                shared.next = count;
                shared.done.notify_all();
                return;
            }
            index = shared.next++;
            ++shared.started;
        }
        JobResult result = work(index);
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.waiting.emplace(index, std::move(result));
        shared.done.notify_all();
    }
}

} // namespace

int exitStatusOf(const JobCounts& counts) {
    if (counts.stopped) {
        return kExitStopped;
    }
    return counts.damaged + counts.notPackages > 0 ? kExitDamaged : kExitIntact;
}

unsigned processorCount() {
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

JobCounts runInOrder(size_t count, unsigned jobs, const std::function<JobResult(size_t)>& work,
                     const std::function<void(const JobResult&)>& report) {
    Shared shared;
    std::vector<std::thread> workers;
    const size_t threads = std::min<size_t>(jobs == 0 ? 1 : jobs, count);
    // A system that gives fewer threads than asked (a process limit) gets fewer
    // jobs; with none at all, this thread does the work.
    try {
        for (size_t i = 0; i < threads; ++i) {
            workers.emplace_back(workOn, count, std::cref(work), std::ref(shared));
        }
    } catch (const std::system_error&) {
    }
    if (workers.empty()) {
        workOn(count, work, shared);
    }
    JobCounts counts;
    Progress progress(count);
    size_t reported = 0;
    std::unique_lock<std::mutex> lock(shared.mutex);
    for (;;) {
        auto ready = shared.waiting.find(reported);
        if (ready != shared.waiting.end()) {
            const JobResult result = std::move(ready->second);
            shared.waiting.erase(ready);
            lock.unlock();
            tally(result, &counts);
            if (result.verdict != Verdict::Stopped) {
                report(result);
            }
            ++reported;
            lock.lock();
            continue;
        }
        // Every package started is reported: nothing more will come.
        if (shared.next == count && reported == shared.started) {
            break;
        }
        shared.done.wait_for(lock, kProgressInterval);
        lock.unlock();
        progress.show(reported);
        lock.lock();
    }
    lock.unlock();
    for (std::thread& worker : workers) {
        worker.join();
    }
    progress.clear();
    counts.stopped = counts.stopped || reported < count;
    return counts;
}
