#include "protocol/Bridge.h"

#include <algorithm>
#include <cstring>

namespace vantoro {
namespace {

constexpr int kFieldMac = 3;
constexpr int kFieldName = 4;
constexpr int kFieldModel = 5;
constexpr int kFieldIpMode = 6;
constexpr int kFieldKeys = 17;
constexpr int kFieldSsid = 21;
constexpr int kFieldSsidCount = 22;
constexpr int kFieldSsidList = 23;
constexpr std::string_view kNoKey = "NULL";

} // namespace

void BridgeText::set(std::string_view text) {
    const size_t length = std::min<size_t>(text.size(), kBridgeTextChars);
    bytes.fill('\0');
    if (length > 0) {
        std::memcpy(bytes.data(), text.data(), length);
    }
}

int Bridge::ssidListSize() const {
    return std::clamp(DecimalValue(ssidCount.view()), 0, kMaxSsids);
}

ReplyResult ParseReply(BridgeTable& table, int rowCount, std::string_view text, RowText& rowText) {
    std::array<FieldSlot, kMaxReplyFields> fields{};
    SplitFields(text, kMaxReplyFields, fields.data());
    // Positions past the 50 fields read (possible when N is above 16) read as empty text.
    const auto field = [&fields](int index) -> std::string_view {
        return index >= 0 && index < kMaxReplyFields ? SlotView(fields[size_t(index)])
                                                     : std::string_view();
    };
    if (field(2) != kReplyMarker) {
        return {};
    }

    // Compare what the record can hold: an identifier cut to 32 characters must still find its row.
    const std::string_view mac = field(kFieldMac).substr(0, kBridgeTextChars);
    rowCount = std::clamp(rowCount, 0, kBridgeTableSize);
    int index = rowCount;
    for (int i = 0; i < rowCount; ++i) {
        // Byte compare including the terminating NUL: no length scan of every listed record.
        const auto& listed = table.records[size_t(i)].macAddress.bytes;
        if (listed[mac.size()] == '\0' && std::memcmp(listed.data(), mac.data(), mac.size()) == 0) {
            index = i;
            break;
        }
    }
    const bool isNew = index == rowCount;
    if (isNew && rowCount == kBridgeTableSize) {
        // The table is full: a further bridge is not listed.
        return {};
    }

    rowText[ColumnDeviceName].set(field(kFieldName));
    rowText[ColumnModel].set(field(kFieldModel));
    rowText[ColumnIpAddress].set(field(7));
    rowText[ColumnMacAddress].set(mac);

    Bridge& bridge = table.records[size_t(index)];
    bridge.macAddress.set(mac);
    bridge.deviceName.set(field(kFieldName));
    BridgeText* const inOrder[] = {&bridge.ipMode,    &bridge.ipAddress,   &bridge.subnetMask,
                                   &bridge.gateway,   &bridge.networkType, &bridge.channel,
                                   &bridge.profile,   &bridge.country,     &bridge.privacy,
                                   &bridge.keyLength, &bridge.keyId};
    int next = kFieldIpMode;
    for (BridgeText* target : inOrder) {
        target->set(field(next++));
    }
    for (int k = 0; k < kKeyCount; ++k) {
        const std::string_view key = field(kFieldKeys + k);
        bridge.keys[size_t(k)].set(key == kNoKey ? std::string_view() : key);
        bridge.keys64[size_t(k)].Clear();
        bridge.keys128[size_t(k)].Clear();
    }
    bridge.ssid.set(field(kFieldSsid));
    bridge.ssidCount.set(field(kFieldSsidCount));

    // N counts the names that follow. Only 16 fit the record, but the fields after the list are
    // still found at 23 + N so that counters, credentials and version stay right.
    const int n = std::clamp(DecimalValue(bridge.ssidCount.view()), 0, kMaxReplyFields);
    for (int i = 0; i < std::min(n, kMaxSsids); ++i) {
        bridge.ssidList[size_t(i)].set(field(kFieldSsidList + i));
    }
    BridgeText* const tail[] = {&bridge.linkQuality, &bridge.txPackets, &bridge.rxPackets,
                                &bridge.userName,    &bridge.password,  &bridge.version};
    next = kFieldSsidList + n;
    for (BridgeText* target : tail) {
        target->set(field(next++));
    }
    bridge.workProfile = DecimalValue(bridge.profile.view());
    bridge.workChannel = DecimalValue(bridge.channel.view());

    return {isNew ? ReplyKind::New : ReplyKind::Updated, index};
}

} // namespace vantoro
