#pragma once

// Dotted-decimal IPv4 texts and masks, and hex digit texts: the plain rules that the dialogs, the
// command line and the simulated bridges share.

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <string_view>

namespace vantoro {

// Dotted-decimal IPv4 text: four decimal parts 0..255 of one to three digits. The result is the
// address with the first part in the most significant byte.
std::optional<quint32> ParseIpv4(std::string_view text);
QByteArray FormatIpv4(quint32 address);
// Ones followed by zeros (0.0.0.0 and 255.255.255.255 included).
bool IsContiguousMask(quint32 mask);
// Only the digits 0-9, a-f and A-F (an empty text passes).
bool IsHexText(std::string_view text);

} // namespace vantoro
