#include "face_class_table.h"
#include "little_endian.h"

namespace {

// Runs of consecutive faces sharing one class, in face order.
struct ClassRun {
    int faces;
    uint16_t faceClass;
};

constexpr ClassRun ClassRuns[] = {
    {GlassFaces, 1},     {CabinetFaces, 2},      {BezelFaces, 3}, {LargeKnobFaces, 2},
    {SmallKnobFaces, 3}, {ControlStripFaces, 4}, {LegFaces, 5},   {HoodFaces, 6},
    {TrimFaces, 7},      {AntennaFaces, 8},      {LampFaces, 9},
};

}  // namespace

std::vector<uint8_t> EncodeFaceClasses() {
    std::vector<uint8_t> out;
    for (const ClassRun& run : ClassRuns)
        for (int k = 0; k < run.faces; ++k) Put16(out, run.faceClass);
    return out;
}
