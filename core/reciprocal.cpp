#include "core/reciprocal.h"

#if defined(__EMSCRIPTEN__) || defined(VELMORA_PORTABLE)
bool PortableArithmetic = true;
#else
bool PortableArithmetic = false;
#endif
