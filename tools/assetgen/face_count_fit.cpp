#include "face_count_fit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace {

// Splits the edge (a, b) in every face of the part that has it.
void SplitEdge(Mesh& mesh, size_t firstFace, int a, int b) {
    const Point pa = mesh.vertices[a], pb = mesh.vertices[b];
    const int m = AddVertex(mesh, (pa + pb) * 0.5);
    const size_t end = mesh.faces.size();
    for (size_t f = firstFace; f < end; ++f) {
        Tri& t = mesh.faces[f];
        const int v[3] = {t.a, t.b, t.c};
        for (int e = 0; e < 3; ++e) {
            const int p = v[e], q = v[(e + 1) % 3], r = v[(e + 2) % 3];
            if ((p == a && q == b) || (p == b && q == a)) {
                t = {p, m, r};
                mesh.faces.push_back({m, q, r});
                break;
            }
        }
    }
}

}  // namespace

void FitFaceCount(Mesh& mesh, size_t firstFace, size_t target) {
    if (mesh.faces.size() - firstFace > target) {
        std::fprintf(stderr, "assetgen: part has %zu faces, more than %zu\n", mesh.faces.size() - firstFace,
                     target);
        std::exit(1);
    }
    while (mesh.faces.size() - firstFace < target) {
        const size_t missing = target - (mesh.faces.size() - firstFace);
        // Edge (low, high) -> the faces that use it.
        std::map<std::pair<int, int>, std::vector<size_t>> edges;
        for (size_t f = firstFace; f < mesh.faces.size(); ++f) {
            const Tri& t = mesh.faces[f];
            const int v[3] = {t.a, t.b, t.c};
            for (int e = 0; e < 3; ++e) {
                const int p = v[e], q = v[(e + 1) % 3];
                edges[{std::min(p, q), std::max(p, q)}].push_back(f);
            }
        }
        const bool wantBorder = missing % 2 == 1;
        double bestScore = -1;
        std::pair<int, int> best{-1, -1};
        for (const auto& [edge, users] : edges) {
            const double length = Length(mesh.vertices[edge.first] - mesh.vertices[edge.second]);
            double score;
            if (wantBorder) {
                if (users.size() != 1) continue;
                score = length;
            } else {
                if (users.size() != 2) continue;
                const Point n0 = AreaNormal(mesh, mesh.faces[users[0]]);
                const Point n1 = AreaNormal(mesh, mesh.faces[users[1]]);
                const double flatness = Dot(n0, n1) / (Length(n0) * Length(n1));
                // Flat regions first, so that the new middle vertex stays on the surface.
                score = flatness > 0.9999 ? length + 1000 : length * (1 + flatness);
            }
            if (score > bestScore) {
                bestScore = score;
                best = edge;
            }
        }
        if (best.first < 0) {
            std::fprintf(stderr, "assetgen: no %s edge to split\n", wantBorder ? "border" : "inner");
            std::exit(1);
        }
        SplitEdge(mesh, firstFace, best.first, best.second);
    }
}
