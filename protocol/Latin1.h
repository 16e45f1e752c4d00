#pragma once

// Bridges speak 8-bit text, one byte a character. The rules work on std::string_view, Qt on
// QByteArray and QString; these are the crossings between them, and Latin-1 loses no byte.

#include <QByteArray>
#include <QString>
#include <string_view>

namespace vantoro {

inline std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

inline QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

inline QString Latin1(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace vantoro
