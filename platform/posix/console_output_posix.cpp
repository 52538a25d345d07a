// Outside Windows a program's stdout already is its terminal or redirection.
#include <cstdio>

#include "platform/console_output.h"

void WriteStandardOutput(const char* text) { std::fputs(text, stdout); }
