// Feeds arbitrary datagrams to the reply parser, against a full table and against a table with a
// few rows, as the receive path would.

#include "protocol/Bridge.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

using namespace vantoro;

BridgeTable& FullTable() {
    static const std::unique_ptr<BridgeTable> table = [] {
        auto t = std::make_unique<BridgeTable>();
        RowText row;
        for (int i = 0; i < kBridgeTableSize; ++i) {
            const QByteArray reply = "h\rc\rACK\rid" + QByteArray::number(i) + "\rname\rmodel";
            ParseReply(*t, i, DatagramText(reply), row);
        }
        return t;
    }();
    return *table;
}

void CheckTerminated(const BridgeText& text) {
    if (text.bytes[kBridgeTextChars] != '\0') {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::string_view text = DatagramText(bytes, qsizetype(size));
    RowText row;

    BridgeTable& full = FullTable();
    const ReplyResult onFull = ParseReply(full, kBridgeTableSize, text, row);
    if (onFull.kind == ReplyKind::New) {
        std::abort(); // a 501st bridge must never be written
    }

    static std::unique_ptr<BridgeTable> small = std::make_unique<BridgeTable>();
    const int rows = size > 0 ? data[0] % 8 : 0;
    const ReplyResult result = ParseReply(*small, rows, text, row);
    if (result.kind != ReplyKind::Ignored && (result.index < 0 || result.index > rows)) {
        std::abort();
    }
    if (result.kind != ReplyKind::Ignored) {
        const Bridge& b = small->records[size_t(result.index)];
        CheckTerminated(b.macAddress);
        CheckTerminated(b.version);
        for (const BridgeText& ssid : b.ssidList) {
            CheckTerminated(ssid);
        }
        if (b.ssidListSize() < 0 || b.ssidListSize() > kMaxSsids) {
            std::abort();
        }
    }
    return 0;
}
