#include "face_class_table.h"

#include "model_file.h"

namespace {

// Runs of consecutive faces sharing one class, in face order; they match the
// order in which the model's parts are built.
struct ClassRun {
    int faces;
    uint16_t faceClass;
};

constexpr ClassRun ClassRuns[] = {
    {52, 1},   // glass
    {377, 2},  // cabinet
    {333, 3},  // bezel
    {16, 2},   // large knob
    {14, 3},   // small knob
    {240, 4},  // control strip
    {238, 5},  // legs
    {197, 6},  // back hood
    {236, 7},  // side trim
    {226, 8},  // antennas
    {3, 9},    // lamp
};

}  // namespace

std::vector<uint8_t> EncodeFaceClasses() {
    std::vector<uint8_t> out;
    for (const ClassRun& run : ClassRuns)
        for (int k = 0; k < run.faces; ++k) {
            out.push_back(run.faceClass & 0xFF);
            out.push_back(run.faceClass >> 8);
        }
    return out;
}
