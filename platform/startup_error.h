// Why the demo cannot start, told where its user will see it: the line on
// standard error and in the error box that start-up failures show. The window
// shells have it; the browser page tells its reader in its own way.
#pragma once

// "velmora: <line>" on standard error, then <line> in an error box (captioned
// "Error", as Windows captions a box that names none); returns when the box
// is closed, at once where no box can be shown.
void ShowStartupError(const char* line);
