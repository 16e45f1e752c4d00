#include "config/WepKeys.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace vantoro {
namespace {

using Keys = std::array<std::string_view, kKeyCount>;

KeyTexts Slots(const Keys& texts) {
    KeyTexts keySlots;
    for (size_t k = 0; k < texts.size(); ++k) {
        keySlots[k].set(texts[k]);
    }
    return keySlots;
}

void ExpectKeys(const KeyTexts& actual, const Keys& expected, const std::string& what) {
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(actual[k].view(), expected[k]) << what << ", key " << k + 1;
    }
}

TEST(WepKeyGenerator, MatchesPublishedVectorsAndReadsBytesUnsigned) {
    ExpectKeys(GenerateWepKeys("badpw", KeySize::Bits64),
               {"02CB778981", "C27236DFB1", "C90C104FA2", "A804571CC0"}, "badpw");
    // Three characters: 21 copies and the first character again fill the 64-byte block.
    const std::string_view abc = "EFEFEEDAE197ED614B582E1490";
    ExpectKeys(GenerateWepKeys("abc", KeySize::Bits128), {abc, abc, abc, abc}, "abc");
    for (KeySize size : {KeySize::Bits64, KeySize::Bits128}) {
        ExpectKeys(GenerateWepKeys("", size), {"", "", "", ""}, "empty");
    }
    // A sign-extended 0xE9 would fill the seed's upper bytes with ones.
    EXPECT_EQ(PassphraseBytes(QStringLiteral("\u00E9t\u00E9")), QByteArray("\xE9t\xE9"));
    ExpectKeys(GenerateWepKeys("\xE9", KeySize::Bits64),
               {"1FE226E577", "057ED6F3E0", "3FDB4CD78F", "908182F278"}, "E9");
    EXPECT_EQ(GenerateWepKeys("\xE9t\xE9", KeySize::Bits128)[3].view(),
              "1E2C0D0E4CDD740840BB517EB3");
}

TEST(WepKeyGenerator, SeedAndBlockDependOnlyOnWhatTheyAreMadeOf) {
    // Bytes moved by four positions XOR into the same seed.
    EXPECT_EQ(GenerateWepKeys("abcdwxyz", KeySize::Bits64)[3].view(),
              GenerateWepKeys("wxyzabcd", KeySize::Bits64)[3].view());
    // 16 characters fill the block as the same text doubled does.
    EXPECT_EQ(GenerateWepKeys("0123456789abcdef", KeySize::Bits128)[0].view(),
              GenerateWepKeys("0123456789abcdef0123456789abcdef", KeySize::Bits128)[0].view());
    // Only 32 characters count, as the passphrase field holds; a longer command line text is cut.
    for (KeySize size : {KeySize::Bits64, KeySize::Bits128}) {
        EXPECT_EQ(GenerateWepKeys(std::string(32, 'p') + "x", size)[1].view(),
                  GenerateWepKeys(std::string(32, 'p'), size)[1].view());
    }
    EXPECT_EQ(PassphraseBytes(QString(40, u'k')).size(), kMaxPassphraseChars);
}

TEST(WepReportedKeys, OpeningReadsSizeAndDefaultKeySafely) {
    for (const auto& [length, size] : {std::pair{"10", KeySize::Bits64},
                                       {"010", KeySize::Bits64},
                                       {"26", KeySize::Bits128},
                                       {"", KeySize::Bits128}}) {
        EXPECT_EQ(ReportedKeySize(length), size) << length;
    }
    // Anything but 1..4 is key 1, so the key field never reads past the four keys.
    for (const auto& [keyId, index] :
         {std::pair{"1", 0}, {"4", 3}, {"3x", 2}, {"0", 0}, {"5", 0}, {"-2", 0}, {"", 0}}) {
        EXPECT_EQ(ReportedKeyIndex(keyId), index) << keyId;
    }
    Bridge bridge;
    bridge.keyLength.set("26");
    bridge.keyId.set("9");
    bridge.keys = Slots({"**************************", "", "k3", "k4"});
    const KeyEntry entry = StartKeyEntry(bridge);
    EXPECT_EQ(entry.size, KeySize::Bits128);
    EXPECT_EQ(entry.keyIndex, 0);
    EXPECT_EQ(entry.keyText, QString(26, u'*'));
    ExpectKeys(bridge.keys128, {"**************************", "", "k3", "k4"}, "keys128");
    ExpectKeys(bridge.keys64, {"", "", "", ""}, "keys64");
}

TEST(WepKeyChecks, KeyChangeTakesEmptyOrMaskApplyNeedsAFullKey) {
    const QString badChange =
        QStringLiteral("Invalid key length, please enter 10 Hex digits or leave it blank!!");
    const QString badApply =
        QStringLiteral("Invalid length.\r\nPlease type in 10 digit Hex number.");
    // Text, passes a key change, passes apply.
    const std::tuple<QString, bool, bool> cases[] = {
        {QStringLiteral("abcdefABC9"), true, true},
        {QStringLiteral("**********"), true, true},
        {QString(), true, false},
        {QStringLiteral("012345678"), false, false},
        {QStringLiteral("01234567890"), false, false}, // refused, never cut to ten
        {QStringLiteral("012345678g"), false, false},
        {QString(26, u'*'), false, false},          // the other size's mask
        {QString(10, QChar(0xFF11)), false, false}, // full-width digits are not hex
    };
    for (const auto& [text, changes, applies] : cases) {
        KeyTexts keySlots;
        EXPECT_EQ(KeyIndexChangeMessage(KeySize::Bits64, text),
                  changes ? std::nullopt : std::optional(badChange))
            << text.toStdString();
        EXPECT_EQ(ApplyKeyCheck({KeySize::Bits64, 2, text}, keySlots),
                  applies ? std::nullopt : std::optional(badApply))
            << text.toStdString();
        // Apply stores a full key only; the mask leaves the slot alone.
        EXPECT_EQ(keySlots[2].view(), text == QStringLiteral("abcdefABC9") ? "abcdefABC9" : "");
    }
    EXPECT_EQ(KeyIndexChangeMessage(KeySize::Bits128, QStringLiteral("0123456789")),
              QStringLiteral("Invalid key length, please enter 26 Hex digits or leave it blank!!"));
    KeyTexts keys128;
    EXPECT_EQ(ApplyKeyCheck({KeySize::Bits128, 0, QStringLiteral("0123456789")}, keys128),
              QStringLiteral("Invalid length.\r\nPlease type in 26 digit Hex number."));
}

TEST(WepKeyChecks, KeyChangeStoresTheFieldAsTypedOrStaysOnTheOldKey) {
    KeyTexts keySlots = Slots({"", "1111111111", "", ""});
    KeyEntry entry{KeySize::Bits64, 0, QStringLiteral("abcdef0123")};
    EXPECT_FALSE(ChangeKeyIndex(entry, 1, keySlots));
    EXPECT_EQ(entry.keyIndex, 1);
    EXPECT_EQ(entry.keyText, QStringLiteral("1111111111"));
    entry.keyText = QStringLiteral("123");
    EXPECT_TRUE(ChangeKeyIndex(entry, 3, keySlots));
    EXPECT_EQ(entry.keyIndex, 1);
    EXPECT_EQ(entry.keyText, QStringLiteral("123"));
    entry.keyText.clear();
    EXPECT_FALSE(ChangeKeyIndex(entry, 4, keySlots)); // no such key: nothing stored
    ExpectKeys(keySlots, {"abcdef0123", "1111111111", "", ""}, "slots");
}

} // namespace
} // namespace vantoro
