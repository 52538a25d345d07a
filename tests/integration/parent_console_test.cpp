// `velmora.exe --version` started as a command prompt starts a window
// program: on a console, with no standard handles of its own. The version
// must appear on that console, which this program then reads back.
//   velmora_parent_console_test path\to\velmora.exe
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "velmora_version.h"

namespace {

constexpr DWORD ChildTimeoutMs = 60000;
constexpr SHORT ScreenRowsRead = 10;

// The first rows of the console's screen as text.
std::string ConsoleText() {
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) return {};
    std::string text(static_cast<size_t>(info.dwSize.X) * ScreenRowsRead, ' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterA(screen, text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
    CloseHandle(screen);
    text.resize(read);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora_parent_console_test velmora.exe\n");
        return 2;
    }
    // The result goes to our own output, which the console below replaces.
    HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    auto say = [report](const std::string& line) {
        DWORD written = 0;
        WriteFile(report, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    };
    FreeConsole();
    if (!AllocConsole()) {
        say("SKIP: no console can be made here\n");
        return 77;
    }
    // A console whose screen cannot be read back (some Wine set-ups) cannot
    // show the result either way.
    DWORD written = 0;
    WriteConsoleA(GetStdHandle(STD_OUTPUT_HANDLE), "probe\r\n", 7, &written, nullptr);
    if (ConsoleText().find("probe") == std::string::npos) {
        say("SKIP: this console's screen cannot be read back\n");
        return 77;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // all three null, as for a window program from a prompt
    PROCESS_INFORMATION process{};
    std::string command = std::string("\"") + argv[1] + "\" --version";
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        say("FAIL: cannot start " + command + "\n");
        return 1;
    }
    const bool ended = WaitForSingleObject(process.hProcess, ChildTimeoutMs) == WAIT_OBJECT_0;
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string expected = std::string("velmora ") + VelmoraVersion;
    const std::string screen = ConsoleText();
    if (!ended || exitCode != 0 || screen.find(expected) == std::string::npos) {
        say("FAIL: expected '" + expected + "' on the console, exit code 0; got exit code " +
            std::to_string(exitCode) + (ended ? "" : " (timed out)") + " and the console shows '" + screen + "'\n");
        return 1;
    }
    say("the console shows '" + expected + "'\n");
    return 0;
}
