// Process entry: everything happens in RunDemo, which ends the process itself.
// `velmora --version` is answered first, so it needs no display; on Windows it
// goes to the console the program was started from.
#include <cstdio>
#include <cstring>

#include "app/run_demo.h"
#include "platform/console_output.h"
#include "velmora_version.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        char line[64];
        std::snprintf(line, sizeof line, "velmora %s\n", VelmoraVersion);
        WriteStandardOutput(line);
        return 0;
    }
    RunDemo();
}
