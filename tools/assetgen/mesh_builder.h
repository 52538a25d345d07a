// A small triangle-mesh builder for the generator: vertices in double precision,
// faces grouped into parts, ring sweeps, caps and face-count fitting.
#pragma once
#include <cstddef>
#include <vector>

struct Point {
    double x, y, z;
};

struct Tri {
    int a, b, c;
};

struct Mesh {
    std::vector<Point> vertices;
    std::vector<Tri> faces;
};

// A closed loop of vertex indices; consecutive loops of equal length are stitched.
using Ring = std::vector<int>;

Point operator+(Point p, Point q);
Point operator-(Point p, Point q);
Point operator*(Point p, double s);
Point Cross(Point p, Point q);
double Dot(Point p, Point q);
double Length(Point p);

int AddVertex(Mesh& mesh, Point p);
Ring AddRing(Mesh& mesh, const std::vector<Point>& points);

// Joins two loops of equal length with a band of quads, two triangles each.
void StitchRings(Mesh& mesh, const Ring& from, const Ring& to);

// Joins a list of loops in order; caps the first and/or last loop with a fan
// around a centre vertex when a centre is given (index >= 0).
void StitchSweep(Mesh& mesh, const std::vector<Ring>& rings, int startCentre, int endCentre);

// (b - a) x (c - b): the face normal scaled by twice the face area.
Point AreaNormal(const Mesh& mesh, const Tri& t);

// Flips every face from firstFace on when the part's signed volume is negative,
// so that a closed part ends with its normals pointing outwards.
void OrientClosedPart(Mesh& mesh, size_t firstFace);

// Flips every face from firstFace on when their summed area normal points away
// from the given direction: used for open parts whose outside faces one way.
void OrientOpenPart(Mesh& mesh, size_t firstFace, Point outside);
