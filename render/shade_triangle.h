// The shading pass's entry for one face: the face's rows walked with the row
// walker (row_walk.h), each row's two span ends handed to the span shader's
// gathering (span_shader.h), and the gathered pixels lit at the end of the
// face.
#pragma once
#include <cstdint>

#include "render/face_context.h"
#include "render/nearest_marks.h"

// Walks the rows yA .. yC-1 of the face that lie in the band and shades each
// row's span (GatherFace, then LightFaceRows, in the arithmetic of the current
// mode), unless none of the six coordinates lies inside the band's ranges
// (FaceTouchesBand).
void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context);

// The second step of the opaque faces (nearest_marks.h): walks the face's rows
// in `rows` and lights the pixels that still hold its tag.
void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows);
