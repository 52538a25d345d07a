#include "render/frame_pipeline.h"

#include "render/band_workers.h"
#include "render/clear_and_transform.h"
#include "render/prepass.h"

void PrepareFrame() {
    ClearPrepassDepth();
    TransformModel();
    DrawPrepass();
}

void RenderFrame() {
    PrepareFrame();
    RunBandWorkers();
}
