#pragma once

// The bridges' management protocol: one UDP datagram per message, plain 8-bit text.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <string_view>

namespace vantoro {

inline constexpr quint16 kManagementPort = 65432;
// Largest datagram the program reads (an Ethernet frame's worth).
inline constexpr int kMaxDatagramBytes = 1514;
// A reply text is split from a 1024-byte work area.
inline constexpr int kMaxReplyTextChars = 1023;
inline constexpr int kMaxReplyFields = 50;
inline constexpr int kFieldSlotBytes = 60;

inline constexpr std::string_view kMagic = "Torva_MultiAp_mgnt";
inline constexpr std::string_view kReplyMarker = "ACK";

enum class Command { Discovery = 1001, Configuration = 1002, Status = 1003 };

// Discovery request: exactly 37 bytes, ending in CR CR, no NUL.
QByteArray BuildDiscoveryRequest();
// True when an identifier can name a bridge inside a request: no space, no other whitespace and
// no control character, any of which would shift the request's fields. The empty text passes.
bool IsUsableIdentifier(std::string_view macAddress);

// Status request for the bridge whose identifier is macAddress (as it reported it). Empty when
// the identifier is not usable: nothing is to be sent then.
QByteArray BuildStatusRequest(std::string_view macAddress);

struct ConfigItem {
    QByteArray key; // ends in the space that separates it from the value, e.g. "wan_proto "
    QByteArray value;
};

struct ConfigRequest {
    QByteArray text; // empty when refused
    QString error;   // why it was refused; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Configuration request carrying the items in the given order. Refuses (empty text, error set)
// when the identifier is not usable, when there are no items, or when a key or value holds a CR or
// LF: a CR inside a value would end the item early and let the rest be read by the bridge as
// further items.
ConfigRequest BuildConfigRequest(std::string_view macAddress, const QList<ConfigItem>& items);

using FieldSlot = std::array<char, kFieldSlotBytes>;

// Splits text at CRs into at most maxFields NUL-terminated fieldSlots (runs of CRs are one
// separator, leading CRs are skipped, a field never is empty). Only the first kMaxReplyTextChars
// characters of the text are looked at and a field is cut to kFieldSlotBytes - 1 characters. Slots
// from the returned count up to maxFields - 1 are emptied; with an empty text the fieldSlots are
// left untouched.
int SplitFields(std::string_view text, int maxFields, FieldSlot* fieldSlots);

inline std::string_view SlotView(const FieldSlot& slot) {
    return std::string_view(slot.data());
}

// The reply text of a received datagram: up to its first NUL byte or its end, and never more than
// kMaxDatagramBytes characters.
std::string_view DatagramText(const char* data, qsizetype size);
inline std::string_view DatagramText(const QByteArray& datagram) {
    return DatagramText(datagram.constData(), datagram.size());
}

// True when field 2 of the text is exactly "ACK".
bool IsReply(std::string_view text);

// Value of a text's leading decimal digits (an optional sign first) as a signed 32-bit integer;
// 0 when there are none. Saturates instead of overflowing.
qint32 DecimalValue(std::string_view text);

} // namespace vantoro
