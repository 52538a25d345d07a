// One frame, from the pre-pass depth clear to the join of the band workers.
#pragma once

// Draws one complete frame into Scene.colorBuffer: PrepareFrame, then the two
// band workers. Returns when every pixel is final.
void RenderFrame();

// Everything before the band workers, on the calling thread:
// ClearPrepassDepth, TransformModel, DrawPrepass. Each band worker clears
// its own rows of the other two buffers.
void PrepareFrame();
