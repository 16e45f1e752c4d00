#include "ui/controls/RtfCodePages.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace vantoro::rtf {
namespace {

// cp1252 bytes 0x80-0x9F; the rest of cp1252 is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// The Symbol font's Greek letters, A-Z and a-z.
constexpr char16_t kSymbolUpper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
                                       0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D,
                                       0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
                                       0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
constexpr char16_t kSymbolLower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
                                       0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD,
                                       0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5,
                                       0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};

// The Symbol font's other signs.
constexpr std::pair<unsigned char, char16_t> kSymbolOthers[] = {
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245},
    {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA0, 0x20AC}, {0xA1, 0x03D2}, {0xA2, 0x2032},
    {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x0192}, {0xA7, 0x2663}, {0xA8, 0x2666},
    {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192},
    {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7},
    {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261},
    {0xBB, 0x2248}, {0xBC, 0x2026}, {0xBF, 0x21B5}, {0xC0, 0x2135}, {0xC1, 0x2111}, {0xC2, 0x211C},
    {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A},
    {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284}, {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208},
    {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207}, {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122},
    {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228},
    {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA},
    {0xE1, 0x2329}, {0xE2, 0x00AE}, {0xE3, 0x00A9}, {0xE4, 0x2122}, {0xE5, 0x2211}, {0xF1, 0x232A},
    {0xF2, 0x222B}};

// The Wingdings bullets and marks that lists and notes use.
constexpr std::pair<unsigned char, char16_t> kWingdings[] = {
    {0x4A, 0x263A}, {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x71, 0x2751}, {0x75, 0x25C6}, {0x76, 0x2756},
    {0x9F, 0x2022}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2}, {0xE8, 0x2794}, {0xF0, 0x21E8},
    {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFD, 0x2612}, {0xFE, 0x2611}};

constexpr std::pair<int, int> kCharsets[] = {
    {2, kCpSymbol}, {77, 10000}, {128, 932},  {129, 949},  {134, 936},  {136, 950},
    {161, 1253},    {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
    {204, 1251},    {222, 874},  {238, 1250}, {254, 437},  {255, 850}};

constexpr std::pair<int, const char*> kNamedCodePages[] = {{65001, "UTF-8"}, {932, "Shift_JIS"},
                                                           {936, "GBK"},     {949, "windows-949"},
                                                           {950, "Big5"},    {10000, "macintosh"}};

constexpr int kOemCodePages[] = {437, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869};

// The Symbol font's bytes as Unicode; 0 where the byte reads as in cp1252.
char16_t SymbolFontChar(unsigned char byte) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int i = 0; i < 26; ++i) {
            t[0x41 + size_t(i)] = kSymbolUpper[i];
            t[0x61 + size_t(i)] = kSymbolLower[i];
        }
        for (const auto& [code, ch] : kSymbolOthers) {
            t[code] = ch;
        }
        return t;
    }();
    return table[byte];
}

char16_t WingdingsChar(unsigned char byte) {
    for (const auto& [code, ch] : kWingdings) {
        if (code == byte) {
            return ch;
        }
    }
    return 0;
}

} // namespace

char16_t Cp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
}

char16_t SymbolGlyph(int codePage, unsigned char byte) {
    if (codePage == kCpSymbol) {
        return SymbolFontChar(byte);
    }
    return codePage == kCpWingdings ? WingdingsChar(byte) : char16_t(0);
}

int CharsetCodePage(int charset) {
    for (const auto& [set, codePage] : kCharsets) {
        if (set == charset) {
            return codePage;
        }
    }
    return 0;
}

QByteArray CodePageName(int codePage) {
    for (const auto& [number, name] : kNamedCodePages) {
        if (number == codePage) {
            return name;
        }
    }
    if (std::find(std::begin(kOemCodePages), std::end(kOemCodePages), codePage) !=
        std::end(kOemCodePages)) {
        return "IBM" + QByteArray::number(codePage);
    }
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258)) {
        return "windows-" + QByteArray::number(codePage);
    }
    return {};
}

QString CodePageDecoder::Decode(const QByteArray& bytes, int codePage) {
    QString out;
    out.reserve(bytes.size());
    const auto add = [&out](char16_t ch) {
        if (ch >= 0x20 || ch == u'\t') {
            out += QChar(ch);
        }
    };
    if (codePage == kCpSymbol || codePage == kCpWingdings) {
        for (const char b : bytes) {
            const auto byte = static_cast<unsigned char>(b);
            const char16_t mapped = SymbolGlyph(codePage, byte);
            add(mapped != 0 ? mapped : Cp1252(byte));
        }
        return out;
    }
    if (codePage != kCp1252) {
        auto found = decoders_.find(codePage);
        if (found == decoders_.end()) {
            const QByteArray name = CodePageName(codePage);
            found = decoders_
                        .emplace(codePage, name.isEmpty() ? QStringDecoder()
                                                          : QStringDecoder(name.constData()))
                        .first;
        }
        QStringDecoder& decoder = found->second;
        if (decoder.isValid()) {
            decoder.resetState();
            const QString decoded = decoder.decode(bytes);
            for (const QChar ch : decoded) {
                add(ch.unicode());
            }
            return out;
        }
    }
    for (const char b : bytes) {
        add(Cp1252(static_cast<unsigned char>(b)));
    }
    return out;
}

} // namespace vantoro::rtf
