#include "config/Ipv4.h"

#include <algorithm>

namespace vantoro {

std::optional<quint32> ParseIpv4(std::string_view text) {
    quint32 address = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t digits = 0;
        quint32 part = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10u + quint32(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || part > 255) {
            return std::nullopt;
        }
        address = (address << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') {
                return std::nullopt;
            }
            ++i;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return address;
}

std::optional<Ipv4Octets> ParseDottedQuad(std::string_view text) {
    Ipv4Octets octets{};
    int group = 0;
    int digits = 0;
    int value = 0;
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0 || group == 3) {
                return std::nullopt;
            }
            octets[size_t(group++)] = quint8(value % 256);
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 3) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (group != 3 || digits == 0) {
        return std::nullopt;
    }
    octets[3] = quint8(value % 256);
    return octets;
}

QByteArray FormatIpv4(quint32 address) {
    return QByteArray::number(address >> 24) + '.' + QByteArray::number((address >> 16) & 0xFFu) +
           '.' + QByteArray::number((address >> 8) & 0xFFu) + '.' +
           QByteArray::number(address & 0xFFu);
}

bool IsContiguousMask(quint32 mask) {
    const quint32 hostBits = ~mask;
    return (hostBits & (hostBits + 1u)) == 0;
}

bool IsHexText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

} // namespace vantoro
