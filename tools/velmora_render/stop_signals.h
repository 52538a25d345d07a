// How the tool treats signals while it draws. Ctrl-C (SIGINT), SIGTERM and SIGHUP end
// a run between two frames, so the frame being written is finished and no
// partial file is left; SIGXFSZ is ignored so that a write past the file-size
// limit fails with EFBIG and is reported instead of killing the process.
#pragma once

// Ignores SIGXFSZ. Called once at start-up.
void IgnoreFileSizeSignal();

// From now on SIGINT, SIGTERM and SIGHUP only set a flag that PendingStopSignal reads.
void DeferStopSignals();

// The stop signal received since DeferStopSignals, or 0.
int PendingStopSignal();

// Ends the process by the given signal with its default action, so the caller
// sees what stopped it (a shell reports 130 for SIGINT, 143 for SIGTERM).
[[noreturn]] void EndBySignal(int signal);

// "SIGINT", "SIGTERM", "SIGHUP" or "a signal".
const char* StopSignalName(int signal);
