#include "tools/velmora_render/stop_signals.h"

#include <csignal>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t ReceivedStopSignal = 0;

extern "C" void RecordStopSignal(int signal) { ReceivedStopSignal = signal; }

}  // namespace

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

void DeferStopSignals() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a write in progress completes rather than failing with EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

int PendingStopSignal() { return ReceivedStopSignal; }

void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // only if the default action did not end the process
}

const char* StopSignalName(int signal) {
    switch (signal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "a signal";
    }
}
