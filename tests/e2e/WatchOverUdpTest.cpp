// vantoro-cli watch over real UDP between two network namespaces: a bridge that appears, changes
// a setting and goes is reported once each time, and the watch ends by itself after its scans.

#include "tests/e2e/OverUdpFixture.h"

namespace vantoro::e2e {
namespace {

using WatchOverUdp = OverUdpFixture;

TEST_F(WatchOverUdp, ReportsABridgeThatAppearsChangesAndGoes) {
    const QString fleet = dir_.filePath(QStringLiteral("fleet.json"));
    const auto startBridge = [&](const QByteArray& ssid) {
        QFile file(fleet);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"([{"macAddress": "02:4B:00:00:00:0A", "deviceName": "Dock", "ipMode": "static",
                        "ipAddress": "10.60.0.1", "ssid": ")" +
                   ssid + "\"}]");
        file.close();
        StartSimulator("b", QStringList{QStringLiteral("--fleet"), fleet});
    };
    const auto stopBridge = [&] {
        background_.last()->kill();
        background_.last()->waitForFinished(5000);
    };
    // A scan every 4 s: requests in its first second, its report at 3.5 s. One scan to spare
    // for a change that misses the scan after it on a slow machine.
    QProcess watch;
    const QStringList command = In("a", QStringList{QStringLiteral(VANTORO_CLI_PATH)} +
                                            Line({"watch", "--interval", "4", "--count", "5"}));
    QString out;
    const auto waitFor = [&](const QString& text) {
        QElapsedTimer clock;
        clock.start();
        while (!out.contains(text) && watch.state() != QProcess::NotRunning &&
               clock.elapsed() < 20000) {
            watch.waitForReadyRead(500);
            out += QString::fromUtf8(watch.readAllStandardOutput());
        }
        return out.contains(text);
    };
    startBridge("Old");
    watch.start(command.first(), command.mid(1));
    // Each change right after a scan's report, so the next scan sees it.
    ASSERT_TRUE(waitFor(QStringLiteral("+ "))) << out.toStdString();
    stopBridge();
    startBridge("New");
    ASSERT_TRUE(waitFor(QStringLiteral("~ "))) << out.toStdString();
    stopBridge();
    ASSERT_TRUE(watch.waitForFinished(30000)) << out.toStdString();
    out += QString::fromUtf8(watch.readAllStandardOutput());
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0) << watch.readAllStandardError().toStdString();
    EXPECT_EQ(out.toStdString(), "+ 02:4B:00:00:00:0A Dock 10.60.0.1\n"
                                 "~ 02:4B:00:00:00:0A ssid: Old → New\n"
                                 "- 02:4B:00:00:00:0A Dock\n");
}

} // namespace
} // namespace vantoro::e2e
