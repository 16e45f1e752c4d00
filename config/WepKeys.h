#pragma once

// WEP keys of the connection settings: the two passphrase generators, the key checks, the masks
// and the key items of a configuration request. The dialog's security group and
// `vantoro-cli set-wireless` share these rules; what either reads from its own controls or
// arguments comes in as plain values.

#include "protocol/Bridge.h"
#include "protocol/ManagementMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <string_view>

namespace vantoro {

// Item index of both key size lists ("64 bits", "128 bits").
enum class KeySize { Bits64 = 0, Bits128 = 1 };

inline constexpr int kKeyDigits64 = 10;
inline constexpr int kKeyDigits128 = 26;
inline constexpr int kMaxPassphraseChars = 32;
// What the key field accepts from the keyboard.
inline constexpr std::string_view kKeyChars = "0123456789abcdefABCDEF";
// A key field or slot holding the mask of the size in use stands for "leave this key as it is".
inline constexpr std::string_view kKeyMask64 = "**********";
inline constexpr std::string_view kKeyMask128 = "**************************";

// 10 or 26: the key width in hex digits, also the key field's length limit.
int KeyDigits(KeySize size);
std::string_view KeyMask(KeySize size);

// Size list item (0 or 1) as a size; any other index reads as 64-bit.
KeySize KeySizeFromIndex(int index);
// A reported keyLength whose decimal value is 10 means 64-bit keys; anything else 128-bit.
KeySize ReportedKeySize(std::string_view keyLength);
// A reported keyId "1".."4" as key index 0..3. Any other value reads as key 1 (index 0), so the
// key index list always has a selection and the key field never reads past the four keys.
int ReportedKeyIndex(std::string_view keyId);

// The first 32 characters of a passphrase as the 8-bit text the generators take (Latin-1;
// a character outside it becomes '?').
QByteArray PassphraseBytes(const QString& passphrase);

// Four keys made from passphrase (bytes, at most the first 32 are used): all empty for an empty
// passphrase; for 64-bit, four different 10-digit keys; for 128-bit, one 26-digit key four times.
// Upper-case hex digits.
KeyTexts GenerateWepKeys(std::string_view passphrase, KeySize size);

// The key slots of the given size in a bridge record (keys64 or keys128).
KeyTexts& SlotsFor(Bridge& bridge, KeySize size);
const KeyTexts& SlotsFor(const Bridge& bridge, KeySize size);

// A change of key size: keys typed for one size cannot stand for the other, so all eight slots
// start over.
void ClearKeySlots(Bridge& bridge);

// The key part of the security group: the manual key size list, the key index list and the key
// field's text.
struct KeyEntry {
    KeySize size = KeySize::Bits64;
    int keyIndex = 0; // 0 for "Key 1:" up to 3 for "Key 4:"
    QString keyText;
};

// Opening the dialog: the reported size and default key, with the default key's reported text for
// the key field; the reported keys are copied into the slots of that size.
KeyEntry StartKeyEntry(Bridge& bridge);

// Whether the key field's text may be left for another key: exactly the key width in hex digits,
// empty, or the mask. Returns the message to show when it may not, nothing when it may.
std::optional<QString> KeyIndexChangeMessage(KeySize size, const QString& keyText);

// The whole key index change on the slots of the entry's size. On acceptance stores the key field's
// text, as typed, into the slot of the old index, then moves the entry to newIndex and the text of
// its slot. On refusal returns the message and leaves the entry and the slots as they were.
// Choosing the current index again, or an index outside 0..3, changes nothing.
std::optional<QString> ChangeKeyIndex(KeyEntry& entry, int newIndex, KeyTexts& keySlots);

// The apply step's key check. The mask passes and stores nothing; exactly the key width in hex
// digits passes and is stored into keySlots[entry.keyIndex]; anything else (the empty text
// included) returns the message to show, and nothing is stored or sent.
std::optional<QString> ApplyKeyCheck(const KeyEntry& entry, KeyTexts& keySlots);

// The security items that follow "isl_wlg_privacy " "1": "isl_wlg_keyid " with keyIndex (0..3;
// any other value is sent as 0), then for keys 1 to 4 from keySlots: an empty slot clears the key,
// a slot holding the mask of size is left out, any other slot is sent as stored.
QList<ConfigItem> WepKeyItems(int keyIndex, KeySize size, const KeyTexts& keySlots);

} // namespace vantoro
