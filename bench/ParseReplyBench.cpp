// Replies per second through the reply parser: a first reply into an empty list, a repeat reply
// for the last of 500 listed bridges (the longest identifier search), and a reply the full table
// must turn away.

#include "protocol/Bridge.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace vantoro;

QByteArray Reply(int id, int networks) {
    QByteArrayList f = {"Torva_MultiAp_mgnt",
                        "1001",
                        "ACK",
                        "02:4B:00:00:" + QByteArray::number(id),
                        "Bridge " + QByteArray::number(id),
                        "WB-100",
                        "static",
                        "192.168.1.20",
                        "255.255.255.0",
                        "192.168.1.1",
                        "1",
                        "6",
                        "1",
                        "US",
                        "1",
                        "26",
                        "1",
                        "00112233445566778899AABBCC",
                        "NULL",
                        "NULL",
                        "NULL",
                        "office",
                        QByteArray::number(networks)};
    for (int i = 0; i < networks; ++i) {
        f.append("neighbour-network-" + QByteArray::number(i));
    }
    f += {"87", "123456", "654321", "admin", "secret", "1.10"};
    return f.join('\r');
}

std::unique_ptr<BridgeTable> FullTable() {
    auto table = std::make_unique<BridgeTable>();
    RowText row;
    for (int i = 0; i < kBridgeTableSize; ++i) {
        ParseReply(*table, i, DatagramText(Reply(i, 0)), row);
    }
    return table;
}

void BM_NewBridge(benchmark::State& state) {
    auto table = std::make_unique<BridgeTable>();
    const QByteArray reply = Reply(1, int(state.range(0)));
    RowText row;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseReply(*table, 0, DatagramText(reply), row));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * reply.size());
}
BENCHMARK(BM_NewBridge)->Arg(0)->Arg(16);

void BM_UpdateLastOf500(benchmark::State& state) {
    auto table = FullTable();
    const QByteArray reply = Reply(kBridgeTableSize - 1, int(state.range(0)));
    RowText row;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseReply(*table, kBridgeTableSize, DatagramText(reply), row));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateLastOf500)->Arg(0)->Arg(16);

void BM_TurnedAwayByFullTable(benchmark::State& state) {
    auto table = FullTable();
    const QByteArray reply = Reply(100000, 0);
    RowText row;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseReply(*table, kBridgeTableSize, DatagramText(reply), row));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TurnedAwayByFullTable);

void BM_NotAReply(benchmark::State& state) {
    auto table = FullTable();
    const QByteArray request = BuildDiscoveryRequest();
    RowText row;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseReply(*table, kBridgeTableSize, DatagramText(request), row));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NotAReply);

} // namespace

BENCHMARK_MAIN();
