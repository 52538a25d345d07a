// One frame, from the buffer clears to the join of the band workers.
#pragma once

// Draws one complete frame into Scene.colorBuffer: PrepareFrame, then the two
// band workers. Returns when every pixel is final.
void RenderFrame();

// Everything before the band workers, on the calling thread:
// ClearBuffers, TransformModel, DrawPrepass.
void PrepareFrame();
