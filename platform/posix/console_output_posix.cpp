// Outside Windows a program's stdout and stderr already are its terminal or
// redirection.
#include <cstdio>

#include "platform/console_output.h"

void WriteStandardOutput(const char* text) { std::fputs(text, stdout); }

void WriteStandardError(const char* text) { std::fputs(text, stderr); }
