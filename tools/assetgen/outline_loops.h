// Loops of points that the model's parts are swept through: rounded
// rectangles and regular polygons, plus a frame around an axis.
#pragma once
#include <vector>

#include "mesh_builder.h"

// How many points a rounded rectangle loop has on each stretch: segments per
// corner arc, and extra points inside the horizontal and vertical sides.
struct RectLayout {
    int cornerSegments;
    int alongX;
    int alongY;
};

// A rectangle with rounded corners: centre, half width, half height, corner radius.
struct RoundedRect {
    double cx, cy, hw, hh, r;
};

// The rounded rectangle in the plane z = const, traced around its four
// corners; loops with the same layout correspond point by point.
std::vector<Point> RoundedRectLoop(RoundedRect rect, double z, RectLayout layout);

// The same rectangle grown by d on every side (shrunk for negative d).
RoundedRect Grow(RoundedRect rect, double d);

// A regular polygon of radius r around centre in the plane spanned by u and v,
// its first corner turned by `phase` of a step from u.
std::vector<Point> CircleLoop(Point centre, Point u, Point v, double r, int n, double phase = 0);

Point Normalized(Point p);

// Two unit vectors perpendicular to axis and to each other.
void Frame(Point axis, Point& u, Point& v);
