// The program's entry routine: window, buffers, scene preparation, frame loop,
// shutdown. Never returns.
#pragma once

[[noreturn]] void RunDemo();
