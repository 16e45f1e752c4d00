#include "protocol/Bridge.h"
#include "tests/support/FakeTransport.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vantoro {
namespace {

using test::ReplyOf;
using test::SimpleReply;

class Table : public ::testing::Test {
protected:
    std::unique_ptr<BridgeTable> table_ = std::make_unique<BridgeTable>();
    RowText row_;
    int rows_ = 0;

    ReplyResult Feed(const QByteArray& datagram) {
        const ReplyResult result = ParseReply(*table_, rows_, DatagramText(datagram), row_);
        if (result.kind == ReplyKind::New) {
            ++rows_;
        }
        return result;
    }
    const Bridge& At(int i) const { return table_->records[size_t(i)]; }
};

TEST_F(Table, EveryReplyFieldLandsInItsRecordField) {
    ASSERT_EQ(Feed(SimpleReply("02:4B:00:00:00:01", "Lobby", "WB-100", "192.168.1.20")).kind,
              ReplyKind::New);
    const Bridge& b = At(0);
    const auto t = [](const BridgeText& text) { return text.toQString(); };
    QStringList fields =
        QStringList{t(b.macAddress), t(b.deviceName), t(b.ipMode),      t(b.ipAddress),
                    t(b.subnetMask), t(b.gateway),    t(b.networkType), t(b.channel),
                    t(b.profile),    t(b.country)} +
        QStringList{t(b.privacy),     t(b.keyLength), t(b.keyId), t(b.keys[0]),
                    t(b.keys[1]),     t(b.keys[2]),   t(b.ssid),  t(b.ssidCount),
                    t(b.linkQuality), t(b.txPackets)} +
        QStringList{t(b.rxPackets), t(b.userName), t(b.password), t(b.version)};
    for (const BridgeText& cell : row_) {
        fields << t(cell);
    }
    EXPECT_EQ(fields.join('|'), "02:4B:00:00:00:01|Lobby|static|192.168.1.20|255.255.255.0|"
                                "192.168.1.1|1|6|1|US|1|10|2|0123456789||ABCDEF0123|office|0|87|"
                                "1200|3400|admin|secret|1.2.3|Lobby|WB-100|192.168.1.20|"
                                "02:4B:00:00:00:01");
    EXPECT_EQ(b.workChannel, 6);
    EXPECT_EQ(b.workProfile, 1);
    // Bridges send 8-bit text: every byte is one character.
    Feed(SimpleReply("L1", "Caf\xe9 \xff"));
    EXPECT_EQ(At(1).deviceName.toQString(), QStringLiteral(u"Caf\u00e9 \u00ff"));
}

TEST_F(Table, NullIsOnlySpecialInTheKeyFields) {
    QByteArrayList fields = {"h", "c", "ACK", "m", "NULL", "NULL", "NULL", "NULL"};
    while (fields.size() < 21) {
        fields.append("NULL");
    }
    fields.append("NULL"); // ssid 21
    Feed(ReplyOf(fields));
    EXPECT_EQ(At(0).deviceName, "NULL");
    EXPECT_EQ(At(0).ssid, "NULL");
    for (const BridgeText& key : At(0).keys) {
        EXPECT_TRUE(key.isEmpty());
    }
}

TEST_F(Table, SameIdentifierKeepsOneRowAndRewritesIt) {
    EXPECT_EQ(Feed(SimpleReply("AA", "one")).index, 0);
    EXPECT_EQ(Feed(SimpleReply("BB", "two")).index, 1);
    const ReplyResult again = Feed(SimpleReply("AA", "renamed", "WB-1", "10.0.0.9"));
    EXPECT_EQ(again.kind, ReplyKind::Updated);
    EXPECT_EQ(again.index, 0);
    EXPECT_EQ(rows_, 2);
    EXPECT_EQ(At(0).deviceName, "renamed");
    EXPECT_EQ(At(0).ipAddress, "10.0.0.9");
    EXPECT_EQ(row_[ColumnIpAddress], "10.0.0.9");
    // Only the exact identifier matches: letter case makes another bridge.
    EXPECT_EQ(Feed(SimpleReply("aa")).kind, ReplyKind::New);
}

TEST_F(Table, UnrecognisedDatagramsChangeNothing) {
    Feed(SimpleReply("AA", "keep"));
    for (const QByteArray& junk :
         {QByteArray(), QByteArray("\0\0ACK", 5), QByteArray("a\rb\rack\rAA\rchanged"),
          QByteArray("a\rb\rACK \rAA\rchanged"), BuildDiscoveryRequest(),
          BuildStatusRequest("AA")}) {
        row_[0].set("untouched");
        EXPECT_EQ(Feed(junk).kind, ReplyKind::Ignored);
        EXPECT_EQ(row_[0], "untouched");
    }
    EXPECT_EQ(At(0).deviceName, "keep");
    EXPECT_EQ(rows_, 1);
}

TEST_F(Table, AReplyEndingAtAckListsAnEmptyRowThatLaterSuchRepliesUpdate) {
    EXPECT_EQ(Feed("x\ry\rACK").kind, ReplyKind::New);
    EXPECT_TRUE(At(0).macAddress.isEmpty());
    EXPECT_TRUE(row_[ColumnIpAddress].isEmpty());
    EXPECT_EQ(Feed("\r\rx\ry\rACK\r").kind, ReplyKind::Updated);
    EXPECT_EQ(rows_, 1);
}

// A reply whose network list claims n entries and lists the first `listed`; what comes before
// the list does not matter here, what follows it shows where the list ended.
QByteArrayList WithNetworks(int n, int listed) {
    QByteArrayList f(22, "x"); // empty fields would not count: the splitter skips them
    f[2] = "ACK";
    f.append(QByteArray::number(n));
    for (int i = 0; i < listed; ++i) {
        f.append("net" + QByteArray::number(i));
    }
    f += {"55", "100", "200", "user", "pass", "v9"};
    return f;
}

TEST_F(Table, NetworkListShiftsTheFieldsThatFollowIt) {
    Feed(ReplyOf(WithNetworks(3, 3)));
    EXPECT_EQ(At(0).ssidListSize(), 3);
    EXPECT_EQ(At(0).ssidList[2], "net2");
    EXPECT_EQ(At(0).linkQuality, "55");
    EXPECT_EQ(At(0).version, "v9");

    Feed(ReplyOf(WithNetworks(16, 16)));
    EXPECT_EQ(At(0).ssidList[15], "net15");
    EXPECT_EQ(At(0).version, "v9"); // field 44, inside the 50-field limit

    // A count below one writes no entries (old ones stay) and moves nothing.
    Feed(ReplyOf(WithNetworks(-4, 0)));
    EXPECT_EQ(At(0).ssidList[0], "net0");
    EXPECT_EQ(At(0).linkQuality, "55");
    EXPECT_EQ(At(0).ssidListSize(), 0);
}

TEST_F(Table, MoreThanSixteenNetworksFillSixteenAndKeepTheTailInPlace) {
    Feed(ReplyOf(WithNetworks(20, 20)));
    EXPECT_EQ(At(0).ssidListSize(), 16);
    EXPECT_EQ(At(0).ssidList[15], "net15");
    EXPECT_EQ(At(0).linkQuality, "55"); // field 43
    EXPECT_EQ(At(0).version, "v9");     // field 48

    // Counts that point past the 50 fields read give empty texts, never stale memory.
    Feed(ReplyOf(WithNetworks(40, 40)));
    EXPECT_TRUE(At(0).version.isEmpty());
    EXPECT_TRUE(At(0).password.isEmpty());
    Feed(ReplyOf(WithNetworks(2147483647, 3)));
    EXPECT_TRUE(At(0).linkQuality.isEmpty());
}

TEST_F(Table, OverlongFieldsAreCutToThirtyTwoCharacters) {
    const QByteArray longName(59, 'n');
    Feed(SimpleReply(QByteArray(40, 'M'), longName, QByteArray(45, 'x'), QByteArray(33, '9')));
    EXPECT_EQ(At(0).deviceName.view(), std::string(32, 'n'));
    EXPECT_EQ(At(0).macAddress.view().size(), 32u);
    EXPECT_EQ(row_[ColumnModel].view(), std::string(32, 'x'));
    EXPECT_EQ(row_[ColumnIpAddress].view().size(), 32u);
    // The cut identifier is still the key of its row.
    EXPECT_EQ(Feed(SimpleReply(QByteArray(40, 'M'))).kind, ReplyKind::Updated);
}

TEST_F(Table, EveryReplyEmptiesTheTypedKeySlots) {
    Feed(SimpleReply("AA"));
    table_->records[0].keys64[1].set("0123456789");
    table_->records[0].keys128[3].set("00112233445566778899AABBCC");
    table_->records[0].workChannel = 13;
    Feed(SimpleReply("AA"));
    EXPECT_TRUE(At(0).keys64[1].isEmpty());
    EXPECT_TRUE(At(0).keys128[3].isEmpty());
    EXPECT_EQ(At(0).workChannel, 6);
}

TEST_F(Table, TheTableStopsAtFiveHundredBridges) {
    for (int i = 0; i < kBridgeTableSize; ++i) {
        ASSERT_EQ(Feed(SimpleReply("id" + QByteArray::number(i))).index, i);
    }
    row_[0].set("before");
    EXPECT_EQ(Feed(SimpleReply("one-too-many")).kind, ReplyKind::Ignored);
    EXPECT_EQ(row_[0], "before");
    EXPECT_EQ(rows_, kBridgeTableSize);
    // Listed bridges still update.
    const ReplyResult last = Feed(SimpleReply("id499", "again"));
    EXPECT_EQ(last.kind, ReplyKind::Updated);
    EXPECT_EQ(last.index, 499);
}

} // namespace
} // namespace vantoro
