// The program's entry routine: window, buffers, scene preparation, frame loop,
// shutdown. Never returns.
#pragma once
#include <cstdint>

struct SceneFiles;

// files: the user's files, already checked (CheckSceneFiles), in place of the
// embedded ones; nullptr for the embedded scene.
[[noreturn]] void RunDemo(const SceneFiles* files = nullptr);

// The two halves of RunDemo, for a shell whose event loop calls back between
// frames (the browser) rather than being looped over.
//
// Start-up: the shell, the window, the three buffers and the scene (the
// embedded one, or the one the files make). A start that fails is reported
// and ends the run with a non-zero code.
void StartDemo(const SceneFiles* files = nullptr);

// One pass of the frame loop: render, advance, present, pause at idle speed,
// then at most one message. False once the quit message was taken, with its
// code in *quitCode.
bool RunFramePass(int* quitCode);

// Draws the demo's frame `frame` and presents it (a still picture).
void ShowStillFrame(uint32_t frame);
