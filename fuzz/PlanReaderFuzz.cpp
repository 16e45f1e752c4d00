// libFuzzer target for settings plans, the files a user hands to `vantoro-cli apply`: any bytes,
// read as JSON or as CSV (the first byte picks), must give a plan or an error naming its place,
// without a crash or a sanitizer report; a plan that reads must name only usable bridges.
//
// Seed corpus: fuzz/corpus/plan_reader, e.g.
//   fuzz_plan_reader -max_total_time=60 fuzz/corpus/plan_reader

#include "config/Csv.h"
#include "config/Plan.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool csv = (data[0] & 1) != 0;
    const QByteArray text(reinterpret_cast<const char*>(data + 1),
                          static_cast<qsizetype>(size - 1));
    vantoro::PlanReadResult plan;
    if (csv) {
        QString error;
        const auto rows = vantoro::ReadCsv(text, &error);
        if (!rows) {
            if (error.isEmpty()) {
                __builtin_trap(); // a refusal always says why
            }
            return 0;
        }
        plan = vantoro::ReadCsvPlan(*rows, QStringLiteral("fuzz.csv"));
    } else {
        plan = vantoro::ReadJsonPlan(text, QStringLiteral("fuzz.json"));
    }
    if (!plan.ok()) {
        if (!plan.bridges.isEmpty()) {
            __builtin_trap(); // nothing is applied from a plan with an error
        }
        return 0;
    }
    for (const vantoro::PlanBridge& bridge : plan.bridges) {
        if (!vantoro::MacAddressError(QString::fromLatin1(bridge.macAddress)).isEmpty()) {
            __builtin_trap();
        }
    }
    return 0;
}
