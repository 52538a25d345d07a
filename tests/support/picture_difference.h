// Where two pictures of the same size differ, for a failure message that
// points at the place: empty when every pixel is equal (under `mask`), else
// how many differ and the column and row of the first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

inline std::string PictureDifference(const uint32_t* expected, const uint32_t* actual, size_t pixels, int width,
                                     uint32_t mask = 0xFFFFFFFFu) {
    size_t differing = 0, first = 0;
    for (size_t p = 0; p < pixels; ++p)
        if ((expected[p] & mask) != (actual[p] & mask) && differing++ == 0) first = p;
    if (differing == 0) return "";
    return std::to_string(differing) + " pixels differ, the first at column " + std::to_string(first % width) +
           ", row " + std::to_string(first / width);
}
