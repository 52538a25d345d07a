// Standard output for a window program's one-line answers (--version).
#pragma once

// On Windows the demo is a window program: it starts without a console, and
// without redirection its standard output goes nowhere. This connects stdout
// to the console of the process that started it (a command prompt), unless
// stdout is already a file or a pipe. Started from Explorer there is no such
// console and none is opened. Elsewhere stdout already is the terminal: it
// does nothing.
void UseParentConsoleForOutput();
