#include "platform/ConsoleInput.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

namespace vantoro {
namespace {

HANDLE ConsoleInputHandle() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

// The console mode as it was before the echo went off, for an interrupted prompt.
DWORD savedMode = 0;
volatile LONG echoIsOff = 0;

BOOL WINAPI RestoreConsoleOnInterrupt(DWORD /*event*/) {
    if (InterlockedCompareExchange(&echoIsOff, 0, 0) != 0) {
        SetConsoleMode(ConsoleInputHandle(), savedMode);
    }
    return FALSE; // the default handler ends the program as usual
}

} // namespace

bool StdinIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

std::optional<QByteArray> ReadHiddenLine(const QByteArray& prompt) {
    const HANDLE input = ConsoleInputHandle();
    if (!StdinIsTerminal() || !GetConsoleMode(input, &savedMode)) {
        return std::nullopt;
    }
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
    std::fflush(stderr);
    SetConsoleCtrlHandler(RestoreConsoleOnInterrupt, TRUE);
    InterlockedExchange(&echoIsOff, 1);
    const bool silenced = SetConsoleMode(input, savedMode & ~DWORD(ENABLE_ECHO_INPUT)) != 0;
    std::optional<QByteArray> line = silenced ? ReadStdinLine() : std::nullopt;
    SetConsoleMode(input, savedMode);
    InterlockedExchange(&echoIsOff, 0);
    SetConsoleCtrlHandler(RestoreConsoleOnInterrupt, FALSE);
    // The typed Enter was not echoed either.
    std::fputc('\n', stderr);
    return line;
}

} // namespace vantoro
