// velmora's command line: nothing (the embedded model), --version, --help, or
// the user's files: --model FILE.3ds [--picture FILE.bmp] [--classes FILE],
// where a bare path is taken as the model, so that a .3ds file dropped on the
// program in a file manager opens it.
#pragma once
#include <string>
#include <vector>

#include "app/scene_file_reading.h"

enum class DemoAction { Run, Version, Help };

struct DemoCommandLine {
    DemoAction action = DemoAction::Run;
    SceneFilePaths files;
};

// Parses argv[1..]; false, with the reason in error, on a word it does not
// take (an unknown option, a missing file name, a second model).
bool ParseDemoCommandLine(const std::vector<std::string>& args, DemoCommandLine& line, std::string& error);

extern const char* const DemoUsage;

// The whole program after main: answers --version and --help, reads and
// checks the files, then runs the demo with them (RunDemo, which never
// returns). A command line or a file it cannot use is told with
// ShowStartupError before any window opens, and the result is the exit code
// StartupFailedExitCode; after --version or --help it is 0.
int RunDemoFromCommandLine(const std::vector<std::string>& args);
