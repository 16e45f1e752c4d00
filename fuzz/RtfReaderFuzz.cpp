// libFuzzer target for the RTF reader: any bytes must read without a crash, a sanitizer report,
// a hang or unbounded memory, and must leave well-formed text in the document.
//
// Seed corpus: fuzz/corpus/rtf_reader and the real files in res/help, e.g.
//   fuzz_rtf_reader -max_total_time=60 fuzz/corpus/rtf_reader res/help

#include "ui/controls/RtfReader.h"

#include <QByteArrayView>
#include <QString>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

// No QGuiApplication: the reader builds the document without laying it out, so none is needed.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTextDocument doc;
    const auto status = vantoro::ReadRtf(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &doc);
    if (size == 0 && status == vantoro::RtfReadStatus::Complete) {
        __builtin_trap(); // nothing read cannot be a complete document
    }
    // The reader pairs surrogates itself: a lone half in the text is a bug.
    const QString text = doc.toRawText();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) {
                __builtin_trap();
            }
            ++i;
        } else if (ch.isLowSurrogate()) {
            __builtin_trap();
        }
    }
    return 0;
}
