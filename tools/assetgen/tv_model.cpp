#include "tv_model.h"

#include <cmath>
#include <cstdio>

#include "face_class_table.h"
#include "face_count_fit.h"
#include "outline_loops.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

// ---- Dimensions of the set (design units, y grows downwards, front is -z) ----

// The screen opening in the cabinet front, centred on the picture band's rows.
constexpr RoundedRect ScreenOpening = {0.0, 0.03, 0.78, 0.37, 0.09};
// The cabinet's outline seen from the front.
constexpr RoundedRect CabinetOutline = {0.0, 0.10, 0.965, 0.56, 0.13};
constexpr double CabinetFront = -0.42;
constexpr double CabinetBack = 0.22;
// Radius of the rounded edges around the cabinet's front and back faces.
constexpr double CabinetBevel = 0.05;
// The control strip below the screen.
constexpr RoundedRect PanelOutline = {0.0, 0.565, 0.86, 0.062, 0.04};
constexpr double PanelFront = -0.448;
constexpr double KnobY = 0.565;

// ---- Parts ----

// Slightly domed glass over the screen opening, a grid of 11 x 2 quads; its
// corners stay hidden under the bezel's rounded corners.
void BuildGlass(Mesh& mesh) {
    const int columns = 11, rows = 2;
    const double hw = ScreenOpening.hw - 0.02, hh = ScreenOpening.hh - 0.02;
    std::vector<int> grid;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            const double s = -1 + 2.0 * i / columns, t = -1 + 2.0 * j / rows;
            const double bulge = 0.035 * (1 - s * s * 0.85) * (1 - t * t * 0.85);
            grid.push_back(AddVertex(mesh, {s * hw, ScreenOpening.cy + t * hh, -0.415 - bulge}));
        }
    const size_t first = mesh.faces.size();
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const int a = grid[j * (columns + 1) + i], b = a + 1;
            const int d = grid[(j + 1) * (columns + 1) + i], c = d + 1;
            mesh.faces.push_back({a, b, c});
            mesh.faces.push_back({a, c, d});
        }
    OrientOpenPart(mesh, first, {0, 0, -1});
}

// The cabinet: a rounded box swept from the screen tunnel over the front face,
// around the sides and closed at the back.
void BuildCabinet(Mesh& mesh) {
    const RectLayout layout = {3, 3, 1};
    std::vector<Ring> rings;
    rings.push_back(AddRing(mesh, RoundedRectLoop(ScreenOpening, -0.30, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(ScreenOpening, CabinetFront + 0.005, layout)));
    for (int k = 0; k <= 2; ++k) {
        const double a = k * Pi / 4;
        const double inset = CabinetBevel * (1 - std::sin(a));
        rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(CabinetOutline, -inset),
                                                      CabinetFront + CabinetBevel * (1 - std::cos(a)), layout)));
    }
    for (int k = 0; k <= 2; ++k) {
        const double a = k * Pi / 4;
        const double inset = CabinetBevel * (1 - std::cos(a));
        rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(CabinetOutline, -inset),
                                                      CabinetBack - CabinetBevel * (1 - std::sin(a)), layout)));
    }
    const int back = AddVertex(mesh, {CabinetOutline.cx, CabinetOutline.cy, CabinetBack});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, -1, back);
    // Open at the screen tunnel, so the outside is told by the missing front patch.
    OrientOpenPart(mesh, first, {0, 0, 1});
}

// A stud: an open pyramid of `sides` facets standing out towards -z.
void BuildStud(Mesh& mesh, Point centre, double radius, double height, int sides) {
    const Ring base = AddRing(mesh, CircleLoop(centre, {1, 0, 0}, {0, 1, 0}, radius, sides, 0.25));
    const int apex = AddVertex(mesh, centre - Point{0, 0, height});
    const size_t first = mesh.faces.size();
    for (int k = 0; k < sides; ++k) mesh.faces.push_back({apex, base[k], base[(k + 1) % sides]});
    OrientOpenPart(mesh, first, {0, 0, -1});
}

// The bezel: a rounded frame around the screen, a closed tube swept along the
// opening; the part of its section pressed against the cabinet stays unseen.
void BuildBezel(Mesh& mesh) {
    const RectLayout layout = {3, 4, 1};
    // Section (outward offset, z) from the inner lip over the rim to the cabinet.
    const double section[][2] = {{-0.02, -0.41}, {-0.02, -0.44}, {0.0, -0.462},
                                 {0.035, -0.467}, {0.068, -0.455}, {0.08, -0.425}};
    std::vector<Ring> rings;
    for (const auto& p : section) rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(ScreenOpening, p[0]), p[1], layout)));
    rings.push_back(rings.front());
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, -1, -1);
    OrientClosedPart(mesh, first);
    // A small maker's badge below the screen.
    BuildStud(mesh, {0, ScreenOpening.cy + ScreenOpening.hh + 0.066, -0.456}, 0.016, 0.007, 3);
}

// A knob: a lens-shaped disc of `sides` facets front and back.
void BuildKnob(Mesh& mesh, double x, int sides, double radius) {
    const Ring rim = AddRing(mesh, CircleLoop({x, KnobY, PanelFront - 0.004}, {1, 0, 0}, {0, 1, 0}, radius, sides, 0.5));
    const int front = AddVertex(mesh, {x, KnobY, PanelFront - 0.016});
    const int back = AddVertex(mesh, {x, KnobY, PanelFront + 0.02});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, {rim}, front, back);
    OrientClosedPart(mesh, first);
}

// A rounded bar between two points: `sides` facets around, closed at both ends.
void BuildBar(Mesh& mesh, Point from, Point to, double radius, int sides, int bodyRings) {
    Point u, v;
    Frame(to - from, u, v);
    const Point axis = Normalized(to - from);
    std::vector<Ring> rings;
    const double endRound = 0.6 * radius;
    for (int k = 0; k < bodyRings; ++k) {
        const Point c = from + (to - from) * (double(k) / (bodyRings - 1));
        const double r = (k == 0 || k == bodyRings - 1) ? radius * 0.75 : radius;
        rings.push_back(AddRing(mesh, CircleLoop(c, u, v, r, sides)));
    }
    const int start = AddVertex(mesh, from - axis * endRound);
    const int end = AddVertex(mesh, to + axis * endRound);
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, start, end);
    OrientClosedPart(mesh, first);
}

// The red control strip below the screen, with a speaker grille of ribs.
void BuildPanel(Mesh& mesh) {
    const RectLayout layout = {3, 4, 1};
    std::vector<Ring> rings;
    rings.push_back(AddRing(mesh, RoundedRectLoop(PanelOutline, CabinetFront + 0.01, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(PanelOutline, PanelFront + 0.008, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(PanelOutline, -0.006), PanelFront + 0.001, layout)));
    const int hidden = AddVertex(mesh, {PanelOutline.cx, PanelOutline.cy, CabinetFront + 0.02});
    const int centre = AddVertex(mesh, {PanelOutline.cx, PanelOutline.cy, PanelFront});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, hidden, centre);
    OrientClosedPart(mesh, first);
    for (int k = 0; k < 3; ++k) {
        const double y = PanelOutline.cy + (k - 1) * 0.032;
        BuildBar(mesh, {0.10, y, PanelFront}, {0.78, y, PanelFront}, 0.009, 6, 2);
    }
}

// One of four splayed legs, tapering towards the floor.
void BuildLeg(Mesh& mesh, double sx, double sz) {
    const int sides = 7;
    const Point top = {sx * 0.72, 0.60, sz * 0.20};
    const Point foot = {sx * 0.82, 0.80, sz * 0.28};
    Point u, v;
    Frame(foot - top, u, v);
    std::vector<Ring> rings;
    rings.push_back(AddRing(mesh, CircleLoop(top, u, v, 0.036, sides)));
    rings.push_back(AddRing(mesh, CircleLoop(top + (foot - top) * 0.6, u, v, 0.028, sides)));
    rings.push_back(AddRing(mesh, CircleLoop(foot, u, v, 0.022, sides)));
    rings.push_back(AddRing(mesh, CircleLoop(foot + Point{0, 0.014, 0}, u, v, 0.018, sides)));
    const int inside = AddVertex(mesh, top - Point{0, 0.03, 0});
    const int sole = AddVertex(mesh, foot + Point{0, 0.024, 0});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, inside, sole);
    OrientClosedPart(mesh, first);
}

// A louvre: a three-sided ridge along x with closed ends.
void BuildLouvre(Mesh& mesh, double y, double halfLength, double z) {
    std::vector<Ring> rings;
    for (double x : {-halfLength, halfLength}) {
        rings.push_back(AddRing(mesh, {{x, y - 0.016, z - 0.004}, {x, y + 0.012, z - 0.004}, {x, y + 0.010, z + 0.014}}));
    }
    const int left = AddVertex(mesh, {-halfLength - 0.012, y, z});
    const int right = AddVertex(mesh, {halfLength + 0.012, y, z});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, left, right);
    OrientClosedPart(mesh, first);
}

// The back cover: a tapered hood over the tube's neck, with louvres.
void BuildHood(Mesh& mesh) {
    const RectLayout layout = {3, 1, 1};
    const RoundedRect base = {0.0, 0.06, 0.70, 0.40, 0.12};
    const RoundedRect rear = {0.0, 0.04, 0.46, 0.27, 0.10};
    std::vector<Ring> rings;
    // The hood's open base lies in the plane of the cabinet's back, so nothing
    // of it shows inside the cabinet through the screen.
    rings.push_back(AddRing(mesh, RoundedRectLoop(base, CabinetBack, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(rear, 0.425, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(rear, -0.006), 0.447, layout)));
    rings.push_back(AddRing(mesh, RoundedRectLoop(Grow(rear, -0.02), 0.455, layout)));
    const int centre = AddVertex(mesh, {rear.cx, rear.cy, 0.458});
    const size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, -1, centre);
    OrientOpenPart(mesh, first, {0, 0, 1});
    for (int k = 0; k < 4; ++k) BuildLouvre(mesh, rear.cy + (k - 1.5) * 0.085, 0.30, 0.452);
}

// Side trim: rounded bars along the cabinet's front corners.
void BuildTrim(Mesh& mesh) {
    for (double sx : {-1.0, 1.0})
        BuildBar(mesh, {sx * 0.972, -0.38, -0.395}, {sx * 0.972, 0.58, -0.395}, 0.028, 7, 8);
}

// The antennas: a domed base on the cabinet's top and two telescopic rods.
void BuildAntennas(Mesh& mesh) {
    const double top = CabinetOutline.cy - CabinetOutline.hh;
    std::vector<Ring> rings;
    for (int k = 0; k <= 2; ++k) {
        const double a = k * Pi / 6;
        rings.push_back(AddRing(mesh, CircleLoop({0, top + 0.01 - 0.07 * std::sin(a), 0.02}, {1, 0, 0}, {0, 0, 1},
                                                 0.12 * std::cos(a), 10)));
    }
    const int crown = AddVertex(mesh, {0, top + 0.01 - 0.075, 0.02});
    size_t first = mesh.faces.size();
    StitchSweep(mesh, rings, -1, crown);
    OrientOpenPart(mesh, first, {0, -1, 0});
    for (double sx : {-1.0, 1.0}) {
        const Point base = {sx * 0.03, top - 0.05, 0.02};
        const Point tip = {sx * 0.36, -0.80, 0.10};
        Point u, v;
        Frame(tip - base, u, v);
        const Point axis = Normalized(tip - base);
        std::vector<Ring> rod;
        // Telescope sections (position along the rod, radius); each step down is a
        // short cone, so no vertex sits on a right-angled edge.
        const double steps[][2] = {{0.0, 0.014}, {0.45, 0.014}, {0.46, 0.010}, {0.75, 0.010}, {0.76, 0.007}, {1.0, 0.007}};
        for (const auto& s : steps) rod.push_back(AddRing(mesh, CircleLoop(base + (tip - base) * s[0], u, v, s[1], 6)));
        rod.push_back(AddRing(mesh, CircleLoop(tip + axis * 0.012, u, v, 0.016, 6)));
        const int start = AddVertex(mesh, base - axis * 0.01);
        const int ball = AddVertex(mesh, tip + axis * 0.028);
        first = mesh.faces.size();
        StitchSweep(mesh, rod, start, ball);
        OrientClosedPart(mesh, first);
    }
}

// The power lamp: an open three-sided pyramid on the control strip.
void BuildLamp(Mesh& mesh) { BuildStud(mesh, {-0.80, KnobY, PanelFront}, 0.014, 0.012, 3); }

// Runs one part builder and fits its run to the exact face count; `log`, when
// given, gets the part's counts as built, before the fitting.
template <typename Build>
void Part(Mesh& mesh, FILE* log, const char* name, size_t faces, Build build) {
    const size_t firstFace = mesh.faces.size(), firstVertex = mesh.vertices.size();
    build();
    if (log)
        std::fprintf(log, "%-10s faces %4zu of %4zu, vertices %4zu\n", name, mesh.faces.size() - firstFace, faces,
                     mesh.vertices.size() - firstVertex);
    FitFaceCount(mesh, firstFace, faces);
}

}  // namespace

Mesh BuildTelevision(FILE* log) {
    Mesh mesh;
    Part(mesh, log, "glass", GlassFaces, [&] { BuildGlass(mesh); });
    Part(mesh, log, "cabinet", CabinetFaces, [&] { BuildCabinet(mesh); });
    Part(mesh, log, "bezel", BezelFaces, [&] { BuildBezel(mesh); });
    Part(mesh, log, "knob1", LargeKnobFaces, [&] { BuildKnob(mesh, -0.66, 8, 0.042); });
    Part(mesh, log, "knob2", SmallKnobFaces, [&] { BuildKnob(mesh, -0.50, 7, 0.036); });
    Part(mesh, log, "panel", ControlStripFaces, [&] { BuildPanel(mesh); });
    Part(mesh, log, "legs", LegFaces, [&] {
        for (double sx : {-1.0, 1.0})
            for (double sz : {-1.0, 1.0}) BuildLeg(mesh, sx, sz);
    });
    Part(mesh, log, "hood", HoodFaces, [&] { BuildHood(mesh); });
    Part(mesh, log, "trim", TrimFaces, [&] { BuildTrim(mesh); });
    Part(mesh, log, "antennas", AntennaFaces, [&] { BuildAntennas(mesh); });
    Part(mesh, log, "lamp", LampFaces, [&] { BuildLamp(mesh); });
    if (log) std::fprintf(log, "total      faces %4zu, vertices %4zu\n", mesh.faces.size(), mesh.vertices.size());
    return mesh;
}
