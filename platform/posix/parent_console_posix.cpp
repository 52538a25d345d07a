// Outside Windows a program's stdout is already its terminal (or a redirection).
#include "platform/parent_console.h"

void UseParentConsoleForOutput() {}
