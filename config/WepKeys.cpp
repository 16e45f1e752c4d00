#include "config/WepKeys.h"

#include "config/Ipv4.h"
#include "protocol/Latin1.h"

#include <QCryptographicHash>
#include <array>
#include <string>

namespace vantoro {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kBlockBytes = 64;     // the 128-bit generator hashes the passphrase repeated
constexpr int kKeyBytes128 = 13;    // of the 16-byte digest
constexpr int kResultsPerKey64 = 5; // generator results per 64-bit key
constexpr quint32 kLcgMultiplier = 214013;
constexpr quint32 kLcgIncrement = 2531011;

void AppendHexByte(std::string& out, quint8 byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

bool IsValidKeyIndex(int index) {
    return index >= 0 && index < kKeyCount;
}

// The text without conversion loss, or nothing when a character is not 8-bit.
std::optional<QByteArray> EightBit(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() > 0xFF) {
            return std::nullopt;
        }
    }
    return text.toLatin1();
}

bool IsFullKey(std::string_view text, KeySize size) {
    return text.size() == size_t(KeyDigits(size)) && IsHexText(text);
}

} // namespace

int KeyDigits(KeySize size) {
    return size == KeySize::Bits64 ? kKeyDigits64 : kKeyDigits128;
}

std::string_view KeyMask(KeySize size) {
    return size == KeySize::Bits64 ? kKeyMask64 : kKeyMask128;
}

KeySize KeySizeFromIndex(int index) {
    return index == int(KeySize::Bits128) ? KeySize::Bits128 : KeySize::Bits64;
}

KeySize ReportedKeySize(std::string_view keyLength) {
    return DecimalValue(keyLength) == kKeyDigits64 ? KeySize::Bits64 : KeySize::Bits128;
}

int ReportedKeyIndex(std::string_view keyId) {
    const qint32 number = DecimalValue(keyId);
    return number >= 1 && number <= kKeyCount ? number - 1 : 0;
}

QByteArray PassphraseBytes(const QString& passphrase) {
    return passphrase.left(kMaxPassphraseChars).toLatin1();
}

KeyTexts GenerateWepKeys(std::string_view passphrase, KeySize size) {
    KeyTexts keys;
    passphrase = passphrase.substr(0, kMaxPassphraseChars);
    if (passphrase.empty()) {
        return keys;
    }
    // Passphrase bytes are unsigned: a byte of 0x80 or more must not spill into the higher bytes.
    auto byteAt = [&](size_t i) { return quint8(passphrase[i]); };

    if (size == KeySize::Bits64) {
        std::array<quint8, 4> seed{};
        for (size_t i = 0; i < passphrase.size(); ++i) {
            seed[i % 4] ^= byteAt(i);
        }
        quint32 x = quint32(seed[0]) | quint32(seed[1]) << 8 | quint32(seed[2]) << 16 |
                    quint32(seed[3]) << 24;
        for (BridgeText& key : keys) {
            std::string text;
            for (int j = 0; j < kResultsPerKey64; ++j) {
                x = x * kLcgMultiplier + kLcgIncrement; // unsigned: wraps modulo 2^32
                AppendHexByte(text, quint8((x >> 16) & 0xFF));
            }
            key.set(text);
        }
        return keys;
    }

    QByteArray block(kBlockBytes, '\0');
    for (int i = 0; i < kBlockBytes; ++i) {
        block[i] = char(byteAt(size_t(i) % passphrase.size()));
    }
    const QByteArray digest = QCryptographicHash::hash(block, QCryptographicHash::Md5);
    std::string text;
    for (int i = 0; i < kKeyBytes128; ++i) {
        AppendHexByte(text, quint8(digest[i]));
    }
    for (BridgeText& key : keys) {
        key.set(text);
    }
    return keys;
}

KeyTexts& SlotsFor(Bridge& bridge, KeySize size) {
    return size == KeySize::Bits64 ? bridge.keys64 : bridge.keys128;
}

const KeyTexts& SlotsFor(const Bridge& bridge, KeySize size) {
    return size == KeySize::Bits64 ? bridge.keys64 : bridge.keys128;
}

void ClearKeySlots(Bridge& bridge) {
    bridge.keys64 = KeyTexts{};
    bridge.keys128 = KeyTexts{};
}

KeyEntry StartKeyEntry(Bridge& bridge) {
    KeyEntry entry;
    entry.size = ReportedKeySize(bridge.keyLength.view());
    entry.keyIndex = ReportedKeyIndex(bridge.keyId.view());
    entry.keyText = bridge.keys[size_t(entry.keyIndex)].toQString();
    SlotsFor(bridge, entry.size) = bridge.keys;
    return entry;
}

std::optional<QString> KeyIndexChangeMessage(KeySize size, const QString& keyText) {
    const std::optional<QByteArray> text = EightBit(keyText);
    if (text && (text->isEmpty() || View(*text) == KeyMask(size) || IsFullKey(View(*text), size))) {
        return std::nullopt;
    }
    return size == KeySize::Bits64
               ? QStringLiteral(
                     "Invalid key length, please enter 10 Hex digits or leave it blank!!")
               : QStringLiteral(
                     "Invalid key length, please enter 26 Hex digits or leave it blank!!");
}

std::optional<QString> ChangeKeyIndex(KeyEntry& entry, int newIndex, KeyTexts& keySlots) {
    if (newIndex == entry.keyIndex || !IsValidKeyIndex(newIndex)) {
        return std::nullopt;
    }
    if (std::optional<QString> message = KeyIndexChangeMessage(entry.size, entry.keyText)) {
        return message;
    }
    if (IsValidKeyIndex(entry.keyIndex)) {
        keySlots[size_t(entry.keyIndex)].set(View(entry.keyText.toLatin1()));
    }
    entry.keyIndex = newIndex;
    entry.keyText = keySlots[size_t(newIndex)].toQString();
    return std::nullopt;
}

std::optional<QString> ApplyKeyCheck(const KeyEntry& entry, KeyTexts& keySlots) {
    const std::optional<QByteArray> text = EightBit(entry.keyText);
    if (text && View(*text) == KeyMask(entry.size)) {
        return std::nullopt;
    }
    if (!text || !IsFullKey(View(*text), entry.size)) {
        return entry.size == KeySize::Bits64
                   ? QStringLiteral("Invalid length.\r\nPlease type in 10 digit Hex number.")
                   : QStringLiteral("Invalid length.\r\nPlease type in 26 digit Hex number.");
    }
    keySlots[size_t(IsValidKeyIndex(entry.keyIndex) ? entry.keyIndex : 0)].set(View(*text));
    return std::nullopt;
}

QList<ConfigItem> WepKeyItems(int keyIndex, KeySize size, const KeyTexts& keySlots) {
    static const std::array<QByteArray, kKeyCount> keyNames = {"isl_wlg_key_1 ", "isl_wlg_key_2 ",
                                                               "isl_wlg_key_3 ", "isl_wlg_key_4 "};
    static const std::array<QByteArray, kKeyCount> emptyKeyNames = {
        "isl_wlg_empty_key_1 ", "isl_wlg_empty_key_2 ", "isl_wlg_empty_key_3 ",
        "isl_wlg_empty_key_4 "};

    QList<ConfigItem> items;
    items.append({"isl_wlg_keyid ", QByteArray::number(IsValidKeyIndex(keyIndex) ? keyIndex : 0)});
    for (size_t k = 0; k < size_t(kKeyCount); ++k) {
        const std::string_view slot = keySlots[k].view();
        if (slot.empty()) {
            items.append({emptyKeyNames[k], "empty"});
        } else if (slot != KeyMask(size)) {
            items.append({keyNames[k], QByteArray(slot.data(), qsizetype(slot.size()))});
            items.append({emptyKeyNames[k], "1"});
        }
    }
    return items;
}

} // namespace vantoro
