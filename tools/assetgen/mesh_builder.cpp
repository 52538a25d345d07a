#include "mesh_builder.h"

#include <cmath>
#include <utility>

Point operator+(Point p, Point q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }
Point operator-(Point p, Point q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
Point operator*(Point p, double s) { return {p.x * s, p.y * s, p.z * s}; }
Point Cross(Point p, Point q) {
    return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
double Dot(Point p, Point q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
double Length(Point p) { return std::sqrt(Dot(p, p)); }

// Design positions are snapped to this grid at once, so that every later
// decision (edge lengths, bounding box) sees the same bits whatever the last
// bits of the platform's sin and cos are.
constexpr double DesignGrid = 1.0 / (1 << 20);

static double Snap(double v) { return std::nearbyint(v / DesignGrid) * DesignGrid; }

int AddVertex(Mesh& mesh, Point p) {
    mesh.vertices.push_back({Snap(p.x), Snap(p.y), Snap(p.z)});
    return static_cast<int>(mesh.vertices.size()) - 1;
}

Ring AddRing(Mesh& mesh, const std::vector<Point>& points) {
    Ring ring;
    for (const Point& p : points) ring.push_back(AddVertex(mesh, p));
    return ring;
}

void StitchRings(Mesh& mesh, const Ring& from, const Ring& to) {
    const size_t n = from.size();
    for (size_t j = 0; j < n; ++j) {
        const size_t k = (j + 1) % n;
        mesh.faces.push_back({from[j], from[k], to[k]});
        mesh.faces.push_back({from[j], to[k], to[j]});
    }
}

void StitchSweep(Mesh& mesh, const std::vector<Ring>& rings, int startCentre, int endCentre) {
    for (size_t i = 0; i + 1 < rings.size(); ++i) StitchRings(mesh, rings[i], rings[i + 1]);
    const Ring& first = rings.front();
    const Ring& last = rings.back();
    const size_t n = first.size();
    // The caps run each border edge the other way round from the band next to it.
    if (startCentre >= 0)
        for (size_t j = 0; j < n; ++j) mesh.faces.push_back({startCentre, first[(j + 1) % n], first[j]});
    if (endCentre >= 0)
        for (size_t j = 0; j < n; ++j) mesh.faces.push_back({endCentre, last[j], last[(j + 1) % n]});
}

Point AreaNormal(const Mesh& mesh, const Tri& t) {
    const Point a = mesh.vertices[t.a], b = mesh.vertices[t.b], c = mesh.vertices[t.c];
    return Cross(b - a, c - b);
}

static void FlipFrom(Mesh& mesh, size_t firstFace) {
    for (size_t f = firstFace; f < mesh.faces.size(); ++f) std::swap(mesh.faces[f].b, mesh.faces[f].c);
}

void OrientClosedPart(Mesh& mesh, size_t firstFace) {
    double volume = 0;
    for (size_t f = firstFace; f < mesh.faces.size(); ++f) {
        const Tri& t = mesh.faces[f];
        volume += Dot(mesh.vertices[t.a], Cross(mesh.vertices[t.b], mesh.vertices[t.c]));
    }
    if (volume < 0) FlipFrom(mesh, firstFace);
}

void OrientOpenPart(Mesh& mesh, size_t firstFace, Point outside) {
    double facing = 0;
    for (size_t f = firstFace; f < mesh.faces.size(); ++f) facing += Dot(AreaNormal(mesh, mesh.faces[f]), outside);
    if (facing < 0) FlipFrom(mesh, firstFace);
}
