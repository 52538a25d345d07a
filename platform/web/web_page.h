// What only the browser shell offers beyond the window shell (shell.h): the
// page's own frame loop, which calls back between the browser's tasks instead
// of being looped over, and the still frame the page's address may ask for.
#pragma once
#include <cstdint>
#include <string>

#include "platform/web/dropped_files.h"

// One pass of the frame loop; false once the quit message was taken, with
// its code in *quitCode.
using FramePass = bool (*)(int* quitCode);

// Makes the dropped files the scene and restarts the animation at frame 0:
// empty when it did, else one sentence saying why not (and the scene stays
// as it was).
using SceneChange = std::string (*)(const DroppedFiles& files);

// Calls pass again and again on the calling thread, between the browser's own
// tasks: the next pass at once at full speed, IdlePauseMs later when the pass
// asked for the idle pause. Before a pass, files dropped on the page since
// the last one go to change, and the page hears how that went. When pass
// returns false the loop ends and the page says it has stopped. Never
// returns: the thread goes back to the browser, which makes the calls.
[[noreturn]] void RunFrameLoopInBrowser(FramePass pass, SceneChange change);

// Ends main() without ending the program: the thread goes back to the
// browser's event loop and the page keeps what it shows.
[[noreturn]] void ReturnToBrowser();

// True when the page's address asks for one still frame (?frame=K, K a whole
// number up to MaxStillFrame), with K in *frame. An unusable value is said
// on the page and answered false, so the page animates as usual.
bool StillFrameRequested(uint32_t* frame);

// The largest still frame: the zoom is stepped once per frame to reach it.
constexpr uint32_t MaxStillFrame = 999999;

// Tells the page the picture is a still of frame K.
void ShowStillFrameNote(uint32_t frame);
