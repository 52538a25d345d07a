#include "tools/velmora_render/tool_scene.h"

#include <cstdio>

#include "app/headless_scene.h"
#include "app/scene_files.h"
#include "core/reciprocal.h"

bool OpenToolScene(const ToolOptions& options, const char* program) {
    LoadedSceneFiles loaded;
    std::string error;
    if (!ReadSceneFiles(options.sceneFiles, loaded, error) || !(error = CheckSceneFiles(loaded.files)).empty()) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return false;
    }
    // Before the scene is prepared: start-up geometry uses the reciprocals too.
    if (options.portable) PortableArithmetic = true;
    if (!OpenHeadlessScene(options.screenWidth, options.screenHeight)) {
        std::fprintf(stderr, "%s: cannot allocate the buffers for a %dx%d screen\n", program, options.screenWidth,
                     options.screenHeight);
        return false;
    }
    if (options.sceneFiles.AnyGiven() && !InstallScene(loaded.files, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        CloseHeadlessScene();
        return false;
    }
    return true;
}
