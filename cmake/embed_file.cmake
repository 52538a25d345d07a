# Turns one binary file into a C++ source that defines its bytes as an array.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name [-DEXPECTED_SIZE=n] -P embed_file.cmake
# With EXPECTED_SIZE (the size the code declares), a file of another size is an error.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
if(DEFINED EXPECTED_SIZE AND NOT size EQUAL EXPECTED_SIZE)
  message(FATAL_ERROR "${INPUT} has ${size} bytes but the code declares ${EXPECTED_SIZE} for ${SYMBOL}")
endif()
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
