// Runs discovery scans back to back over real UDP, exactly as the program does, and reports how
// many bridges each scan listed. Meant to run inside a network namespace (see burst.sh); it
// broadcasts.
//
//   vantoro_bench_burst_scan --scans 20 --expect 500 [--rcvbuf BYTES]
//
// Exit status 0 when every scan listed at least the expected number of bridges.

#include "protocol/DiscoveryScan.h"
#include "protocol/UdpTransport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption scansOption(QStringLiteral("scans"), QStringLiteral("Scans to run."),
                                         QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption expectOption(QStringLiteral("expect"),
                                          QStringLiteral("Bridges each scan must list."),
                                          QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption bufferOption(
        QStringLiteral("rcvbuf"), QStringLiteral("Receive buffer to ask for (bytes)."),
        QStringLiteral("bytes"), QString::number(vantoro::UdpTransport::kReceiveBufferBytes));
    parser.addOptions({scansOption, expectOption, bufferOption});
    parser.process(app);
    const int scans = std::clamp(parser.value(scansOption).toInt(), 1, 1000);
    const int expect = parser.value(expectOption).toInt();

    QTextStream out(stdout);
    vantoro::UdpTransport transport;
    transport.setRequestedReceiveBuffer(parser.value(bufferOption).toInt());
    vantoro::DiscoveryScan scan(transport);
    if (scan.SetUp() != vantoro::SetupStatus::Ok) {
        out << "socket set-up failed\n";
        return 2;
    }
    out << "receive buffer granted: " << transport.receiveBufferBytes() << " bytes\n";

    int done = 0;
    int failures = 0;
    int datagrams = 0;
    QObject::connect(&transport, &vantoro::Transport::DatagramReceived,
                     [&datagrams](const QByteArray&) { ++datagrams; });
    QElapsedTimer clock;
    QObject::connect(&scan, &vantoro::DiscoveryScan::ScanFinished, [&] {
        const int listed = scan.rowCount();
        if (listed < expect) {
            ++failures;
        }
        out << "scan " << (done + 1) << ": " << listed << " listed, " << datagrams
            << " datagrams received, " << clock.elapsed() << " ms\n"
            << Qt::flush;
        datagrams = 0;
        if (++done == scans) {
            QCoreApplication::exit(failures == 0 ? 0 : 1);
            return;
        }
        clock.restart();
        scan.StartScan();
    });
    clock.start();
    scan.Begin();
    const int status = QCoreApplication::exec();
    out << (scans - failures) << " of " << scans << " scans listed all " << expect << " bridges\n";
    return status;
}
