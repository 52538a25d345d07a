#include "render/frame_pipeline.h"

#include "platform/band_threads.h"
#include "render/band_workers.h"
#include "render/buffer_clears.h"
#include "render/model_transform.h"
#include "render/prepass.h"

namespace {

// The observer of the frame being drawn: set before its band workers exist,
// read by them, cleared after the join.
FrameObserver Observer = nullptr;

void Note(FramePoint point, int band = -1) {
    if (Observer != nullptr) Observer(point, band);
}

void DrawObservedBand(int band) {
    Note(FramePoint::BandStarted, band);
    RenderBand(band);
    Note(FramePoint::BandEnded, band);
}

}  // namespace

void PrepareFrame() {
    ClearPrepassDepth();
    Note(FramePoint::PrepassCleared);
    TransformModel();
    Note(FramePoint::ModelTransformed);
    DrawPrepass();
    Note(FramePoint::PrepassDrawn);
}

void DrawFrameBands() { ForkJoinBandWorkers(RenderBand); }

void RenderFrame(FrameObserver observer) {
    Observer = observer;
    Note(FramePoint::Started);
    PrepareFrame();
    ForkJoinBandWorkers(observer != nullptr ? DrawObservedBand : RenderBand);
    Note(FramePoint::BandsJoined);
    Observer = nullptr;
}
