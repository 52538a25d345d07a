#include "app/demo_command_line.h"

#include "app/run_demo.h"
#include "app/scene_files.h"
#include "platform/console_output.h"
#include "platform/shell.h"
#include "platform/startup_error.h"
#include "velmora_version.h"

const char* const DemoUsage =
    "usage: velmora [--model] [FILE.3ds] [--picture FILE.bmp] [--classes FILE]\n"
    "       velmora --help | --version\n"
    "Opens the demo's window and turns, zooms and lights the embedded model, or the model of\n"
    "a 3DS file (at most 65535 vertices and 65535 faces; a bare path is taken as --model).\n"
    "A model of your own is all opaque, each object in the next class colour, unless\n"
    "--classes gives one 16-bit class 1-9 per face (1 is translucent and shows the picture);\n"
    "--picture pastes a 128 x 34 BMP with 8 bits per pixel and a 256-colour palette in place\n"
    "of the embedded picture. Space switches between full and idle speed; Escape quits.\n";

namespace {

// Where the value of a file option goes; nullptr for a word that is none.
std::string* FileSlot(const std::string& option, SceneFilePaths& files) {
    if (option == "--model") return &files.model;
    if (option == "--picture") return &files.picture;
    if (option == "--classes") return &files.classes;
    return nullptr;
}

bool TakeFile(const std::string& option, const std::string& path, std::string& slot, std::string& error) {
    if (path.empty()) {
        error = option + " needs a file name";
        return false;
    }
    if (!slot.empty()) {
        error = option == "--model" ? "one model at a time: '" + path + "' is a second one"
                                    : option + " given twice";
        return false;
    }
    slot = path;
    return true;
}

}  // namespace

bool ParseDemoCommandLine(const std::vector<std::string>& args, DemoCommandLine& line, std::string& error) {
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "--help" || args[0] == "-h")) {
        line.action = args[0] == "--version" ? DemoAction::Version : DemoAction::Help;
        return true;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg[0] != '-') {
            if (!TakeFile("--model", arg, line.files.model, error)) return false;
            continue;
        }
        std::string* slot = FileSlot(arg, line.files);
        if (slot == nullptr) {
            error = "unknown argument '" + arg + "' (velmora --help lists the options)";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a file name";
            return false;
        }
        if (!TakeFile(arg, args[++i], *slot, error)) return false;
    }
    return true;
}

int RunDemoFromCommandLine(const std::vector<std::string>& args) {
    DemoCommandLine line;
    std::string error;
    if (!ParseDemoCommandLine(args, line, error)) {
        ShowStartupError(error.c_str());
        return StartupFailedExitCode;
    }
    if (line.action == DemoAction::Version) {
        WriteStandardOutput(("velmora " + std::string(VelmoraVersion) + "\n").c_str());
        return 0;
    }
    if (line.action == DemoAction::Help) {
        WriteStandardOutput(DemoUsage);
        return 0;
    }
    if (!line.files.AnyGiven()) RunDemo();
    // Read and checked before any window opens: a file that cannot be used
    // is told at once, and the window never flashes up.
    LoadedSceneFiles loaded;
    if (!ReadSceneFiles(line.files, loaded, error) || !(error = CheckSceneFiles(loaded.files)).empty()) {
        ShowStartupError(error.c_str());
        return StartupFailedExitCode;
    }
    RunDemo(&loaded.files);
}
