// How fast help files turn into documents: a typical help file and a 4 MB one.

#include "ui/controls/RtfReader.h"

#include <QFile>
#include <QTextDocument>
#include <benchmark/benchmark.h>

namespace {

QByteArray LargeDocument(qsizetype size) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
    const QByteArray para = "{\\b Heading} Some \\i text\\i0  with caf\\'e9 and \\u8364? in it, "
                            "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}.\\par\n";
    while (rtf.size() < size) {
        rtf.append(para);
        rtf.append("{\\pict\\pngblip 0123456789abcdef0123456789abcdef}\n");
    }
    rtf.append("The end.}");
    return rtf;
}

void BM_HelpFile(benchmark::State& state) {
    QFile file(QStringLiteral(VANTORO_SOURCE_DIR "/res/help/Networks.rtf"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("help file not found");
        return;
    }
    const QByteArray rtf = file.readAll();
    for (auto _ : state) {
        QTextDocument doc;
        benchmark::DoNotOptimize(vantoro::ReadRtf(rtf, &doc));
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_HelpFile)->Unit(benchmark::kMicrosecond);

void BM_FourMegabytes(benchmark::State& state) {
    const QByteArray rtf = LargeDocument(4 * 1024 * 1024);
    for (auto _ : state) {
        QTextDocument doc;
        benchmark::DoNotOptimize(vantoro::ReadRtf(rtf, &doc));
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_FourMegabytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
