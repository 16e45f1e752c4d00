#pragma once

// Dotted-decimal IPv4 texts and masks, and hex digit texts: the plain rules that the dialogs, the
// command line and the simulated bridges share.

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string_view>

namespace vantoro {

// An address as its four octets, first octet first (as an address control holds it).
using Ipv4Octets = std::array<quint8, 4>;

// The two readers of dotted-decimal text. What a person types is read strictly, so that a slip
// such as 192.168.1.300 is refused rather than sent as another address; what a bridge reports is
// read as the bridges write it, each group modulo 256.

// Strict: four decimal parts 0..255 of one to three digits. The result is the address with the
// first part in the most significant byte.
std::optional<quint32> ParseIpv4(std::string_view text);
// Lenient: exactly three dots, each group one to three digits; a group's value is kept modulo
// 256 (so "300" reads as 44). nullopt when the text does not parse.
std::optional<Ipv4Octets> ParseDottedQuad(std::string_view text);
QByteArray FormatIpv4(quint32 address);
// Ones followed by zeros (0.0.0.0 and 255.255.255.255 included).
bool IsContiguousMask(quint32 mask);
// Only the digits 0-9, a-f and A-F (an empty text passes).
bool IsHexText(std::string_view text);

} // namespace vantoro
