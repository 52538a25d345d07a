// The messages a window shell hands to the window rule, numbered as on
// Windows (the SDL shell translates its events into these numbers), and the
// rule's answer. The rule itself belongs to the application, which passes it
// to StartShell.
#pragma once
#include <cstdint>

constexpr uint32_t MessageDestroy = 0x0002;  // WM_DESTROY: the window is going away
constexpr uint32_t MessageKeyDown = 0x0100;  // WM_KEYDOWN: wParam holds the virtual key
constexpr uint32_t KeySpace = 0x20;          // VK_SPACE
constexpr uint32_t KeyEscape = 0x1B;         // VK_ESCAPE
constexpr uint32_t KeyOther = 0x00;          // stands for any key the rule ignores

enum class MessageOutcome {
    Handled,        // acted on, or a key deliberately ignored; result 0
    QuitRequested,  // the shell posts the quit with code 0; result 0
    NotMine,        // the shell's default handling applies
};

// Decides what one message means.
using WindowRule = MessageOutcome (*)(uint32_t message, uintptr_t wParam);
