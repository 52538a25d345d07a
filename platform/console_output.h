// Standard output and standard error for a window program's one-line answers
// (--version, --help) and complaints (a file it cannot use).
#pragma once

// Writes text to standard output. On Windows the demo is a window program:
// it starts without a console, and unless its output is redirected (to a file
// or a pipe, where the text goes) it writes to the console of the process
// that started it, a command prompt. Started from Explorer there is no such
// console; none is opened and the text goes nowhere.
void WriteStandardOutput(const char* text);

// The same for standard error.
void WriteStandardError(const char* text);
