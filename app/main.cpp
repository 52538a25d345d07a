// Process entry: everything happens in RunDemo, which ends the process itself.
// `velmora --version` is answered first, so it needs no display; on Windows it
// goes to the console the program was started from.
#include <cstdio>
#include <cstring>

#include "app/run_demo.h"
#include "platform/parent_console.h"
#include "velmora_version.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        UseParentConsoleForOutput();
        std::printf("velmora %s\n", VelmoraVersion);
        return 0;
    }
    RunDemo();
}
