#include "platform/ConsoleInput.h"

#include <cstdio>

namespace vantoro {

std::optional<QByteArray> ReadStdinLine() {
    QByteArray line;
    bool anything = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        anything = true;
        if (c == '\n') {
            break;
        }
        if (line.size() < kMaxConsoleLineBytes) {
            line.append(char(c));
        }
    }
    if (!anything) {
        return std::nullopt;
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

} // namespace vantoro
