#include "tools/velmora_render/options.h"

#include "tools/velmora_render/option_rules.h"
#include "tools/velmora_render/option_values.h"

const char* const ToolUsage =
    "usage: velmora-render [SCENE] [--portable] [--screen WxH] [--frames K | A-B] [--format png|ppm] [--out DIR]\n"
    "                      [--buffers]\n"
    "       velmora-render --video FILE.mp4 [SCENE] [--portable] [--frames A-B] [--screen WxH] [--fps N]\n"
    "       velmora-render --bench [SCENE] [--portable] [--screen WxH] [--frames A-B] [--repeat N] [--csv FILE]\n"
    "       velmora-render --soak [SCENE] [--portable] [--screen WxH] [--frames A-B]\n"
    "       velmora-render --export-assets DIR\n"
    "       velmora-render --icon DIR\n"
    "       velmora-render --help | --version\n"
    "SCENE: [--model FILE.3ds] [--picture FILE.bmp] [--classes FILE]\n"
    "Renders the demo's frames without a window. Frame K is the K-th frame the demo draws\n"
    "(frame 0 first), written as DIR/frame_NNNNNN.png or .ppm (seven digits and more from\n"
    "frame 1000000 on). The picture is the window's client area for that screen: (W-10) x\n"
    "(H-10), each rounded down to even; default screen 1920x1080, frame 0, png, the current\n"
    "directory. --buffers also writes pictures of what each frame left in its buffers beside\n"
    "it: frame_NNNNNN_prepass_depth, _shade_depth, _faces, _front_surface, _overdraw and\n"
    "_bands.png. Ctrl-C stops a run after the frame in hand. --video writes the frames as one\n"
    "H.264 MP4 file, frames 0-1823 (the whole zoom swing) at 60 frames per second by default.\n"
    "--bench times whole frames and each stage over frames 0-1823 by default; --repeat N draws\n"
    "each frame N times and keeps the fastest, which filters out other processes' bursts;\n"
    "--csv FILE writes each frame's stage times (ms), one line a frame. --soak draws\n"
    "frames (0-19999 by default) without writing them and prints the process's resident\n"
    "memory, open files and threads every 1000 frames. --export-assets writes the embedded\n"
    "model.3ds, band.bmp and face_classes.bin. --icon writes the program's icon, frame 384\n"
    "in portable mode cropped square around the set, as velmora-48.png, -64, -128, -256 and\n"
    "velmora.ico. --portable computes exact reciprocals and\n"
    "reciprocal square roots in place of the processor's fast estimates, so that frames are\n"
    "identical on every processor and in the browser. --model draws a 3DS file's model in place\n"
    "of the embedded one (at most 65535 vertices and 65535 faces), every face opaque and each\n"
    "object in the next class colour unless --classes gives a class table of the form of\n"
    "face_classes.bin (one 16-bit class 1-9 per face; 1 is translucent and shows the picture).\n"
    "--picture pastes a 128 x 34 BMP with 8 bits per pixel and a 256-colour palette, the form\n"
    "of band.bmp, in place of the embedded picture. A file that cannot be used is named with\n"
    "what is wrong, and nothing is drawn or written.\n";

namespace {

// Reads an option's value into the options; false, with the reason in
// error, when the text is not a value the option takes.
using ValueReader = bool (*)(const std::string& text, ToolOptions& options, std::string& error);

// One option of the command line: its name, the flag that records it was
// given, and the reader of its value (none for a switch).
struct OptionSpec {
    const char* name;
    bool GivenOptions::*given;
    ValueReader readValue;
};

// An empty file name would read as "no file given".
bool NameGiven(const char* option, const std::string& text, std::string& error) {
    if (!text.empty()) return true;
    error = std::string(option) + " needs a file name";
    return false;
}

bool TakeVideoPath(const std::string& text, ToolOptions& options, std::string&) {
    options.videoPath = text;
    return true;
}
bool TakeExportDir(const std::string& text, ToolOptions& options, std::string&) {
    options.exportDir = text;
    return true;
}
bool TakeIconDir(const std::string& text, ToolOptions& options, std::string&) {
    options.iconDir = text;
    return true;
}
bool TakeCsvPath(const std::string& text, ToolOptions& options, std::string&) {
    options.csvPath = text;
    return true;
}
bool TakeOutDir(const std::string& text, ToolOptions& options, std::string&) {
    options.outDir = text;
    return true;
}
bool TakeModelPath(const std::string& text, ToolOptions& options, std::string& error) {
    options.sceneFiles.model = text;
    return NameGiven("--model", text, error);
}
bool TakePicturePath(const std::string& text, ToolOptions& options, std::string& error) {
    options.sceneFiles.picture = text;
    return NameGiven("--picture", text, error);
}
bool TakeClassesPath(const std::string& text, ToolOptions& options, std::string& error) {
    options.sceneFiles.classes = text;
    return NameGiven("--classes", text, error);
}

const OptionSpec Options[] = {
    {"--help", &GivenOptions::help, nullptr},
    {"-h", &GivenOptions::help, nullptr},
    {"--version", &GivenOptions::version, nullptr},
    {"--video", &GivenOptions::video, TakeVideoPath},
    {"--fps", &GivenOptions::fps, ParseFps},
    {"--bench", &GivenOptions::bench, nullptr},
    {"--portable", &GivenOptions::portable, nullptr},
    {"--soak", &GivenOptions::soak, nullptr},
    {"--export-assets", &GivenOptions::exportAssets, TakeExportDir},
    {"--icon", &GivenOptions::icon, TakeIconDir},
    {"--screen", &GivenOptions::screen, ParseScreen},
    {"--frames", &GivenOptions::frames, ParseFrames},
    {"--format", &GivenOptions::format, ParseFormat},
    {"--repeat", &GivenOptions::repeat, ParseRepeat},
    {"--buffers", &GivenOptions::buffers, nullptr},
    {"--csv", &GivenOptions::csv, TakeCsvPath},
    {"--out", &GivenOptions::out, TakeOutDir},
    {"--model", &GivenOptions::sceneFile, TakeModelPath},
    {"--picture", &GivenOptions::sceneFile, TakePicturePath},
    {"--classes", &GivenOptions::sceneFile, TakeClassesPath},
};

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& option : Options)
        if (name == option.name) return &option;
    return nullptr;
}

// Reads every argument into given; stops early, successfully, at --help or
// --version, which answer whatever follows them.
bool ReadArguments(const std::vector<std::string>& args, GivenOptions& given, std::string& error) {
    given.argumentCount = args.size();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const OptionSpec* option = FindOption(arg);
        if (option == nullptr) {
            error = "unknown argument '" + arg + "'";
            return false;
        }
        given.*(option->given) = true;
        if (given.help || given.version) return true;
        if (option->readValue == nullptr) continue;
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        if (!option->readValue(args[++i], given.values, error)) return false;
    }
    return true;
}

}  // namespace

bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error) {
    GivenOptions given;
    given.values = options;
    return ReadArguments(args, given, error) && ApplyOptionRules(given, options, error);
}
