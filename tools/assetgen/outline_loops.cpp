#include "outline_loops.h"

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

}  // namespace

std::vector<Point> RoundedRectLoop(RoundedRect rect, double z, RectLayout layout) {
    std::vector<Point> loop;
    const double sx[4] = {1, -1, -1, 1}, sy[4] = {1, 1, -1, -1};
    for (int corner = 0; corner < 4; ++corner) {
        const double ccx = rect.cx + sx[corner] * (rect.hw - rect.r);
        const double ccy = rect.cy + sy[corner] * (rect.hh - rect.r);
        for (int s = 0; s <= layout.cornerSegments; ++s) {
            const double a = (corner + double(s) / layout.cornerSegments) * Pi / 2;
            loop.push_back({ccx + rect.r * std::cos(a), ccy + rect.r * std::sin(a), z});
        }
        // The straight side from this corner's end to the next corner's start.
        const int next = (corner + 1) % 4;
        const Point from = loop.back();
        const double a1 = (next)*Pi / 2;
        const Point to = {rect.cx + sx[next] * (rect.hw - rect.r) + rect.r * std::cos(a1),
                          rect.cy + sy[next] * (rect.hh - rect.r) + rect.r * std::sin(a1), z};
        const int inner = corner % 2 == 0 ? layout.alongX : layout.alongY;
        for (int k = 1; k <= inner; ++k) {
            const double t = double(k) / (inner + 1);
            loop.push_back(from + (to - from) * t);
        }
    }
    return loop;
}

RoundedRect Grow(RoundedRect rect, double d) { return {rect.cx, rect.cy, rect.hw + d, rect.hh + d, rect.r + d}; }

std::vector<Point> CircleLoop(Point centre, Point u, Point v, double r, int n, double phase) {
    std::vector<Point> loop;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * Pi * (k + phase) / n;
        loop.push_back(centre + u * (r * std::cos(a)) + v * (r * std::sin(a)));
    }
    return loop;
}

Point Normalized(Point p) { return p * (1 / Length(p)); }

void Frame(Point axis, Point& u, Point& v) {
    const Point w = Normalized(axis);
    const Point helper = std::fabs(w.x) < 0.9 ? Point{1, 0, 0} : Point{0, 1, 0};
    u = Normalized(Cross(helper, w));
    v = Cross(w, u);
}
