// The window shell: the only part of the application that talks to a window
// system. RunDemo calls these in its fixed start-up order, then once per frame.
// Backends: platform/win32 (the Windows calls), platform/sdl (SDL2) and
// platform/web (a canvas in a browser page, with web_page.js).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/window_messages.h"

// The exit code of a run that could not start (no display, no memory).
constexpr int StartupFailedExitCode = 1;

// What every shell tells the user when start-up fails: the window's message
// box, the terminal and the web page all say these words.
constexpr const char* StartupFailedText = "Startup failed.";

// The pause after each frame at idle speed, in milliseconds.
constexpr int IdlePauseMs = 3;

struct ScreenSize {
    int width, height;
};

// Connects to the window system and keeps the rule that decides what each
// window message means (Windows: module instance, default icon and
// arrow cursor). Returns false, having said why on stderr, when there is no
// display to open a window on.
bool StartShell(WindowRule rule);

// The size of the primary screen in pixels.
ScreenSize GetScreenSize();

// Creates the window with a client area of exactly width x height at the
// top-left of the screen, titled WindowTitle, and shows it. Returns false
// when no window could be made: a run without a window could never be seen
// nor ended by the user.
bool OpenWindow(int width, int height);

// One zeroed, page-aligned pixel-sized buffer for the whole run (read/write,
// never executable); nullptr when the memory cannot be had.
void* AllocatePixelBuffer(size_t bytes);

// Tells the user that start-up failed (StartupFailedText).
void ReportStartupFailure();

// The window's own image, where the window system keeps one in this
// process's memory in the frame's shape: width x height pixels 0x00RRGGBB,
// rows top to bottom of exactly width pixels, 16-byte aligned (SDL's window
// surface on X11). A frame drawn there is presented without a copy. nullptr
// where there is none, or when the window no longer has that shape (a window
// manager resized it). Valid until the next PumpOneMessage.
uint32_t* WindowImagePixels(int width, int height);

// Copies width x height pixels (0x00RRGGBB, rows top to bottom) into the
// client area 1:1; pixels drawn in WindowImagePixels are shown as they are.
// The window system may still be reading them when this returns (the SDL
// shell lets the X server's copy finish in the background): the caller
// leaves them as they are until its next WindowImagePixels, PresentFrame or
// PumpOneMessage, which wait for it.
void PresentFrame(const uint32_t* pixels, int width, int height);

// The pause after each frame at idle speed (IdlePauseMs).
void PauseBetweenFrames();

// Takes at most one waiting window message and handles it. Returns false when
// the quit message was taken, with its exit code in *quitCode.
bool PumpOneMessage(int* quitCode);

// Releases the window and ends the process with exitCode.
[[noreturn]] void CloseShellAndExit(int exitCode);

// The window title, ending with one space.
constexpr const char* WindowTitle = "Velmora, press space -> speed - full/idle ";
