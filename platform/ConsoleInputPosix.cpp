#include "platform/ConsoleInput.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace vantoro {
namespace {

// What an interrupted prompt must put back: the terminal as it was before the echo went off.
termios savedTerminal{};
volatile std::sig_atomic_t echoIsOff = 0;

constexpr std::array<int, 4> kInterruptions = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminalAndStop(int signal) {
    if (echoIsOff != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

std::optional<QByteArray> ReadHiddenLine(const QByteArray& prompt) {
    if (!StdinIsTerminal() || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return std::nullopt;
    }
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
    std::fflush(stderr);

    std::array<struct sigaction, kInterruptions.size()> previous{};
    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndStop;
    sigemptyset(&restore.sa_mask);
    for (size_t i = 0; i < kInterruptions.size(); ++i) {
        sigaction(kInterruptions[i], &restore, &previous[i]);
    }
    termios quiet = savedTerminal;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    // The Enter key still moves to the next line, so later output does not follow the prompt.
    quiet.c_lflag |= tcflag_t(ECHONL);
    echoIsOff = 1;
    const bool silenced = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    std::optional<QByteArray> line = silenced ? ReadStdinLine() : std::nullopt;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoIsOff = 0;
    for (size_t i = 0; i < kInterruptions.size(); ++i) {
        sigaction(kInterruptions[i], &previous[i], nullptr);
    }
    return line;
}

} // namespace vantoro
