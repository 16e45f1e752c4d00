#include "ui/controls/RtfKeywords.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantoro::rtf {
namespace {

// Destinations whose text must not show. Every {\* group is skipped too.
constexpr std::string_view kSkipped =
    "stylesheet info pict object header headerl headerr headerf footer footerl footerr "
    "footerf listtable listoverridetable revtbl rsidtbl latentstyles themedata "
    "colorschememapping datastore xmlnstbl generator pgdsctbl fldinst filetbl xe tc tcn "
    "pn bkmkstart bkmkend do shp shpinst shppict nonshppict template docvar userprops "
    "mmathPr nonesttables falt panose ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn "
    "annotation atnid atnauthor atndate atnref atrfstart atrfend comment company "
    "operator author title subject keywords doccomm hlinkbase listpicture objdata "
    "objclass objname protusertbl passwordhash private pgptbl defchp defpap "
    "wgrffmtfilter blipuid background sp sn sv fontemb fontfile ud txe fchars lchars "
    "expandedcolortbl";

constexpr std::string_view kUnderlines =
    "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash ulthdashd "
    "ulthdashdd ululdbwave ulw ulwave";

// clang-format off
constexpr std::pair<std::string_view, Kw> kWords[] = {
    {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"footnote", Kw::Footnote},
    {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
    {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff},
    {"f", Kw::F}, {"fcharset", Kw::FCharset}, {"fprq", Kw::FPrq}, {"fmodern", Kw::FModern},
    {"cpg", Kw::Cpg},
    {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
    {"plain", Kw::Plain}, {"b", Kw::B}, {"i", Kw::I}, {"ulnone", Kw::UlNone},
    {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"v", Kw::V}, {"super", Kw::Super},
    {"sub", Kw::Sub}, {"nosupersub", Kw::NoSupSub}, {"up", Kw::Up}, {"dn", Kw::Dn},
    {"fs", Kw::Fs}, {"cf", Kw::Cf}, {"cb", Kw::Cb}, {"chcbpat", Kw::Cb},
    {"highlight", Kw::Highlight},
    {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc}, {"qr", Kw::Qr}, {"qj", Kw::Qj},
    {"li", Kw::Li}, {"ri", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa},
    {"tx", Kw::Tx}, {"tb", Kw::Tx}, {"intbl", Kw::InTbl}, {"itap", Kw::Itap},
    {"trowd", Kw::Trowd}, {"trgaph", Kw::Trgaph}, {"trleft", Kw::Trleft},
    {"cellx", Kw::Cellx},
    {"par", Kw::Par}, {"page", Kw::Page}, {"sect", Kw::Page}, {"column", Kw::Page},
    {"line", Kw::Line}, {"softline", Kw::Line}, {"cell", Kw::Cell}, {"row", Kw::Row},
    {"nestcell", Kw::NestCell}, {"nestrow", Kw::NestRow},
    {"nesttableprops", Kw::NestTableProps},
    {"tab", Kw::Tab}, {"emdash", Kw::Emdash}, {"endash", Kw::Endash}, {"lquote", Kw::Lquote},
    {"rquote", Kw::Rquote}, {"ldblquote", Kw::Ldblquote}, {"rdblquote", Kw::Rdblquote},
    {"bullet", Kw::Bullet}, {"emspace", Kw::Emspace}, {"enspace", Kw::Enspace},
    {"qmspace", Kw::Qmspace}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj}, {"ltrmark", Kw::Ltrmark},
    {"rtlmark", Kw::Rtlmark}, {"chftn", Kw::Chftn},
    {"u", Kw::U}, {"uc", Kw::Uc}, {"bin", Kw::Bin}};

constexpr std::pair<Kw, char16_t> kSymbols[] = {
    {Kw::Tab, u'\t'}, {Kw::Emdash, u'\u2014'}, {Kw::Endash, u'\u2013'},
    {Kw::Lquote, u'\u2018'}, {Kw::Rquote, u'\u2019'}, {Kw::Ldblquote, u'\u201C'},
    {Kw::Rdblquote, u'\u201D'}, {Kw::Bullet, u'\u2022'}, {Kw::Emspace, u'\u2003'},
    {Kw::Enspace, u'\u2002'}, {Kw::Qmspace, u'\u2005'}, {Kw::Zwj, u'\u200D'},
    {Kw::Zwnj, u'\u200C'}, {Kw::Ltrmark, u'\u200E'}, {Kw::Rtlmark, u'\u200F'}};
// clang-format on

// The space-separated words of a list.
std::vector<std::string_view> Words(std::string_view list) {
    std::vector<std::string_view> words;
    while (!list.empty()) {
        const size_t end = std::min(list.find(' '), list.size());
        if (end > 0) {
            words.push_back(list.substr(0, end));
        }
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return words;
}

std::unordered_map<std::string_view, Kw> BuildTable() {
    std::unordered_map<std::string_view, Kw> table;
    for (const std::string_view word : Words(kSkipped)) {
        table.emplace(word, Kw::SkipDest);
    }
    for (const std::string_view word : Words(kUnderlines)) {
        table.emplace(word, Kw::Ul);
    }
    for (const auto& [word, kw] : kWords) {
        table.emplace(word, kw);
    }
    return table;
}

} // namespace

Kw LookupKeyword(std::string_view word) {
    static const std::unordered_map<std::string_view, Kw> table = BuildTable();
    const auto found = table.find(word);
    return found == table.end() ? Kw::Unknown : found->second;
}

char16_t SymbolChar(Kw kw) {
    for (const auto& [word, ch] : kSymbols) {
        if (word == kw) {
            return ch;
        }
    }
    return 0;
}

} // namespace vantoro::rtf
