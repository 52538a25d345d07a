// The Windows shell's window: class "grtest", one window whose client area is
// exactly the buffer size, its device context, and the 1:1 copy of
// ColorBuffer into it with StretchDIBits.
#include <windows.h>

#include "platform/shell.h"
#include "platform/startup_error.h"
#include "platform/window_messages.h"

namespace {

constexpr DWORD AdjustStyle = 0x80C80000;  // WS_POPUP | WS_CAPTION | WS_SYSMENU, for the frame size
constexpr DWORD WindowStyle = 0x00CA0000;  // WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: fixed size
constexpr int QuitCode = 0;                // the code every quit request carries

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Background brush value 1 is a system colour index + 1: COLOR_BACKGROUND + 1.
WNDCLASSA WindowClass = {0, WindowProc, 0, 0, nullptr, nullptr, nullptr,
                         reinterpret_cast<HBRUSH>(1), nullptr, "grtest"};

BITMAPINFO BitmapInfo;   // describes ColorBuffer to StretchDIBits
RECT WindowRect;         // the client rectangle grown to the whole window
WindowRule Rule = nullptr;  // the application's, set by StartShell
HWND Window = nullptr;
HDC DeviceContext = nullptr;

void FillBitmapHeader(int width, int height) {
    BITMAPINFOHEADER& header = BitmapInfo.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;  // top-down: row 0 of ColorBuffer is the window's top row
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    header.biXPelsPerMeter = 0;
    header.biYPelsPerMeter = 0;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
}

// Windows (and Wine) limit a window to about the screen's size, which would
// cut the client area short of the buffer: allow at least the whole frame.
void AllowWholeWindow(MINMAXINFO* limits) {
    LONG wholeWidth = WindowRect.right - WindowRect.left;
    LONG wholeHeight = WindowRect.bottom - WindowRect.top;
    if (limits->ptMaxTrackSize.x < wholeWidth) limits->ptMaxTrackSize.x = wholeWidth;
    if (limits->ptMaxTrackSize.y < wholeHeight) limits->ptMaxTrackSize.y = wholeHeight;
    if (limits->ptMaxSize.x < wholeWidth) limits->ptMaxSize.x = wholeWidth;
    if (limits->ptMaxSize.y < wholeHeight) limits->ptMaxSize.y = wholeHeight;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETMINMAXINFO) {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        AllowWholeWindow(reinterpret_cast<MINMAXINFO*>(lParam));
        return result;
    }
    switch (Rule(message, wParam)) {
        case MessageOutcome::Handled:
            return 0;
        case MessageOutcome::QuitRequested:
            PostQuitMessage(QuitCode);
            return 0;
        case MessageOutcome::NotMine:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool StartShell(WindowRule rule) {
    Rule = rule;
    WindowClass.hInstance = GetModuleHandleA(nullptr);
    WindowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    return true;
}

ScreenSize GetScreenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool OpenWindow(int width, int height) {
    FillBitmapHeader(width, height);
    WindowRect = {0, 0, width, height};
    AdjustWindowRect(&WindowRect, AdjustStyle, FALSE);
    RegisterClassA(&WindowClass);
    Window = CreateWindowExA(0, "grtest", WindowTitle, WindowStyle, 0, 0,
                             WindowRect.right - WindowRect.left,
                             WindowRect.bottom - WindowRect.top, nullptr, nullptr, nullptr,
                             nullptr);
    if (Window == nullptr) return false;
    DeviceContext = GetDC(Window);
    ShowWindow(Window, SW_SHOW);
    return true;
}

void ReportStartupFailure() { ShowStartupError(StartupFailedText); }

// StretchDIBits copies from the program's own buffer; GDI keeps no image of
// the window in this process.
uint32_t* WindowImagePixels(int, int) { return nullptr; }

void PresentFrame(const uint32_t* pixels, int width, int height) {
    StretchDIBits(DeviceContext, 0, 0, width, height, 0, 0, width, height, pixels, &BitmapInfo,
                  DIB_RGB_COLORS, SRCCOPY);
}

void CloseShellAndExit(int exitCode) {
    ReleaseDC(Window, DeviceContext);
    DestroyWindow(Window);
    ExitProcess(static_cast<UINT>(exitCode));
}
