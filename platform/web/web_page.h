// What only the browser shell offers beyond the window shell (shell.h): the
// page's own frame loop, which calls back between the browser's tasks instead
// of being looped over, and the still frame the page's address may ask for.
#pragma once
#include <cstdint>

// One pass of the frame loop; false once the quit message was taken, with
// its code in *quitCode.
using FramePass = bool (*)(int* quitCode);

// Calls pass again and again between the browser's own tasks: the next pass
// at once at full speed, 3 ms later when the pass asked for the idle pause.
// When pass returns false the loop ends and the page says it has stopped.
// Returns at once; the browser makes the calls.
void RunFrameLoopInBrowser(FramePass pass);

// True when the page's address asks for one still frame (?frame=K, K a whole
// number up to MaxStillFrame), with K in *frame. An unusable value is said
// on the page and answered false, so the page animates as usual.
bool StillFrameRequested(uint32_t* frame);

// The largest still frame: the zoom is stepped once per frame to reach it.
constexpr uint32_t MaxStillFrame = 999999;

// Tells the page the picture is a still of frame K.
void ShowStillFrameNote(uint32_t frame);
