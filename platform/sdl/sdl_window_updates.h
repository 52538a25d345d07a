// The SDL shell's window updates, finished in the background under X11:
// SDL_UpdateWindowSurface hands the window image to the X server and waits
// until the server has copied it (about 1 ms of its processor time for a
// 1920x1080 frame). Run on a thread of its own, that copy overlaps whatever
// the program does before its next shell call (the next frame's pre-pass,
// which leaves the second processor free).
//
// Only one thread is in SDL's video calls at a time: every shell routine the
// frame loop calls after a present that makes such calls first finishes the
// update in progress (FinishWindowUpdate); SDL_Delay needs no such wait.
#pragma once
#include <SDL.h>

// Starts showing the window's surface as it is now; returns at once. The
// surface's pixels must not change until FinishWindowUpdate returns.
void StartWindowUpdate(SDL_Window* window);

// Returns once the update started last (if any) is complete.
void FinishWindowUpdate();

// Finishes the update in progress and ends the updating thread (before the
// process exits).
void StopWindowUpdates();
