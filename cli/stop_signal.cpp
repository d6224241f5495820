#include "cli/stop_signal.h"

#include <atomic>
#include <signal.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::atomic<bool> gStop{false};

#ifdef _WIN32
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        gStop = true;
        return TRUE;
    }
    return FALSE;
}
#else
extern "C" void onSignal(int) {
    gStop = true;
}
#endif

} // namespace

void watchForStop() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool stopRequested() {
    return gStop.load(std::memory_order_relaxed);
}
