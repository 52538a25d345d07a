// The headless scene in portable mode (exact 1/x and 1/sqrt(x): the same bits
// on every processor) for a test suite's SetUpTestSuite and TearDownTestSuite.
// The mode goes on before the scene is prepared, since start-up geometry
// uses it too, and back off after.
#pragma once
#include <optional>

#include "app/headless_scene.h"
#include "core/reciprocal.h"
#include "tests/support/scoped_mode.h"

struct PortableScene {
    static bool Open(int screenWidth, int screenHeight) {
        mode.emplace(PortableArithmetic, true);
        return OpenHeadlessScene(screenWidth, screenHeight);
    }
    static void Close() {
        CloseHeadlessScene();
        mode.reset();
    }
    static inline std::optional<ScopedMode<bool>> mode;
};
