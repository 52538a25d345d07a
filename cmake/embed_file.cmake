# Turns one binary file into a C++ source that defines its bytes as an array.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
"// Generated from ${INPUT} at build time; do not edit.
#include <cstddef>
#include <cstdint>
extern const uint8_t ${SYMBOL}[${size}];
extern const size_t ${SYMBOL}Size;
alignas(16) const uint8_t ${SYMBOL}[${size}] = {
${bytes}
};
const size_t ${SYMBOL}Size = ${size};
")
