// Browser entry: the demo's start-up, then either one still frame (the page's
// address asks for it with ?frame=K) or the frame loop, driven by the
// browser's event loop one pass at a time, which takes the files the user
// drops on the page between two frames.
#include <string>

#include "app/run_demo.h"
#include "app/scene_files.h"
#include "platform/web/web_page.h"

namespace {

SceneFile Given(const DroppedFile& file) {
    if (file.name == nullptr) return SceneFile{};
    return SceneFile{true, file.name, file.bytes, file.size};
}

// A drop brings a model, a picture or both; what it does not bring is the
// embedded one (the page hands over the whole scene it wants drawn).
std::string InstallDroppedFiles(const DroppedFiles& dropped) {
    SceneFiles files;
    files.model = Given(dropped.model);
    files.picture = Given(dropped.picture);
    std::string problem;
    InstallScene(files, problem);
    return problem;
}

}  // namespace

int main() {
    StartDemo();
    uint32_t frame = 0;
    if (StillFrameRequested(&frame)) {
        ShowStillFrame(frame);
        ShowStillFrameNote(frame);
        ReturnToBrowser();
    }
    RunFrameLoopInBrowser(RunFramePass, InstallDroppedFiles);
}
