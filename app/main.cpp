// Process entry: the command line, then RunDemo, which ends the process
// itself. `velmora --version` and `--help` are answered first, so they need no
// display; on Windows they go to the console the program was started from.
#include <string>
#include <vector>

#include "app/demo_command_line.h"

int main(int argc, char** argv) { return RunDemoFromCommandLine(std::vector<std::string>(argv + 1, argv + argc)); }
