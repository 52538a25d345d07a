#include "core/scene_state.h"

SceneState InitialSceneState() {
    SceneState s{};
    s.frameCounter = 0;
    s.fullSpeed = 1;
    s.angleStep = AngleStep;
    s.zoomDirection = 0;
    s.zoomStepCounter = ZoomStartCounter;
    s.zoomGrowFactor = ZoomGrowFactor;
    s.zoomShrinkFactor = ZoomShrinkFactor;
    s.otherClassPass = 1;
    return s;
}

SceneState Scene = InitialSceneState();
