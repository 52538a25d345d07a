// Optional speed report for tests and measurements: when the environment
// variable VELMORA_STATS names a file, one line per second is appended to it,
// "fps=<frames per second> speed=full|idle". Nothing is shown to the user and
// without the variable nothing is written.
#pragma once

// Opens the report file named by VELMORA_STATS, if any; call once at start-up.
void OpenSpeedStats();

// Counts one finished frame; once a second has passed, appends a line.
// Called between frames, never inside one.
void RecordFrameForStats();
