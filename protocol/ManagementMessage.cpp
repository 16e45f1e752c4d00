#include "protocol/ManagementMessage.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vantoro {
namespace {

QByteArray RequestHead(Command command) {
    QByteArray text(kMagic.data(), qsizetype(kMagic.size()));
    text += ' ';
    text += QByteArray::number(int(command));
    text += " REQ ";
    return text;
}

void Append(QByteArray& text, std::string_view piece) {
    text.append(piece.data(), qsizetype(piece.size()));
}

bool HoldsLineBreak(const QByteArray& text) {
    return text.contains('\r') || text.contains('\n');
}

} // namespace

QByteArray BuildDiscoveryRequest() {
    return RequestHead(Command::Discovery) + "0.0.0.0\r\r";
}

bool IsUsableIdentifier(std::string_view macAddress) {
    // Latin-1: C0 and C1 controls, DEL, the space and the no-break space.
    return std::all_of(macAddress.begin(), macAddress.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte > 0x20 && byte < 0x7F) || byte > 0xA0;
    });
}

QByteArray BuildStatusRequest(std::string_view macAddress) {
    if (!IsUsableIdentifier(macAddress)) {
        return {};
    }
    QByteArray text = RequestHead(Command::Status);
    Append(text, macAddress);
    text += " 0.0.0.0\r\r";
    return text;
}

ConfigRequest BuildConfigRequest(std::string_view macAddress, const QList<ConfigItem>& items) {
    ConfigRequest result;
    if (!IsUsableIdentifier(macAddress)) {
        result.error = QStringLiteral("The bridge's identifier holds a space or a control "
                                      "character: no request can name it.");
        return result;
    }
    if (items.isEmpty()) {
        result.error = QStringLiteral("A configuration request needs at least one item.");
        return result;
    }
    QByteArray text = RequestHead(Command::Configuration);
    Append(text, macAddress);
    text += ' ';
    for (const ConfigItem& item : items) {
        if (HoldsLineBreak(item.key) || HoldsLineBreak(item.value)) {
            result.error = QStringLiteral("The value for \"%1\" contains a line break.")
                               .arg(QString::fromLatin1(item.key.trimmed()));
            return result;
        }
        text += item.key;
        text += item.value;
        text += '\r';
    }
    text += '\r';
    result.text = text;
    return result;
}

int SplitFields(std::string_view text, int maxFields, FieldSlot* fieldSlots) {
    if (text.empty() || maxFields <= 0) {
        return 0;
    }
    text = text.substr(0, std::min<size_t>(text.size(), kMaxReplyTextChars));
    // A NUL inside the view ends the text, as it would in the receive buffer.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    size_t pos = 0;
    int count = 0;
    while (count < maxFields) {
        while (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        size_t end = text.find('\r', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const size_t length = std::min<size_t>(end - pos, kFieldSlotBytes - 1);
        FieldSlot& slot = fieldSlots[count];
        std::memcpy(slot.data(), text.data() + pos, length);
        slot[length] = '\0';
        ++count;
        pos = end;
    }
    for (int i = count; i < maxFields; ++i) {
        fieldSlots[i][0] = '\0';
    }
    return count;
}

std::string_view DatagramText(const char* data, qsizetype size) {
    if (data == nullptr || size <= 0) {
        return {};
    }
    const size_t limit = size_t(std::min<qsizetype>(size, kMaxDatagramBytes));
    const void* nul = std::memchr(data, '\0', limit);
    const size_t length = nul ? size_t(static_cast<const char*>(nul) - data) : limit;
    return std::string_view(data, length);
}

bool IsReply(std::string_view text) {
    std::array<FieldSlot, 3> fieldSlots{};
    SplitFields(text, 3, fieldSlots.data());
    return SlotView(fieldSlots[2]) == kReplyMarker;
}

qint32 DecimalValue(std::string_view text) {
    size_t pos = 0;
    // Leading white space and a sign, as the C library's integer conversion accepts them.
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    qint64 value = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min(value * 10 + (text[pos] - '0'), limit);
    }
    value = negative ? -value : value;
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

} // namespace vantoro
