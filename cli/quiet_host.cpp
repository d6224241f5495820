#include "cli/quiet_host.h"

#include "cli/stop_signal.h"

bool QuietHost::stopRequested() {
    return ::stopRequested();
}
