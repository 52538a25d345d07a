// A test's own SceneState: the record starts as the program starts it and is
// put back as it was when the scope ends, so tests never leak settings into
// each other.
#pragma once
#include "core/scene_state.h"

class ScopedSceneState {
public:
    ScopedSceneState() : saved_(Scene) { Scene = InitialSceneState(); }
    ~ScopedSceneState() { Scene = saved_; }
    ScopedSceneState(const ScopedSceneState&) = delete;
    ScopedSceneState& operator=(const ScopedSceneState&) = delete;

private:
    SceneState saved_;
};
