// libFuzzer target for the face class table: FaceClassIn over an arbitrary
// table, given with its true size, for every face it holds and a few past
// its end. Each answer is a class the renderer has a colour for, or none; a
// table CheckFaceClassTable passes gives every face a class.
#include <cstddef>
#include <cstdint>

#include "assets/embedded_data.h"
#include "assets/face_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint32_t FacesPastTheEnd = 2;
    const uint32_t faces = static_cast<uint32_t>(size / 2);
    for (uint32_t face = 0; face < faces + FacesPastTheEnd; ++face) {
        const FaceClass faceClass = FaceClassIn(data, size, face);
        if (faceClass > LastFaceClass) __builtin_trap();
        if (face >= faces && faceClass != NoFaceClass) __builtin_trap();
    }
    if (FaceClassIn(data, size, UINT32_MAX) != NoFaceClass) __builtin_trap();
    if (CheckFaceClassTable(data, size, faces).empty())
        for (uint32_t face = 0; face < faces; ++face)
            if (FaceClassIn(data, size, face) == NoFaceClass) __builtin_trap();
    return 0;
}
