// Runs discovery scans back to back over real UDP, exactly as the program does, and reports how
// many bridges each scan listed and the CPU time the whole process spent on it. Meant to run
// inside a network namespace (see burst.sh and cpu.sh); it broadcasts.
//
//   vantoro_bench_burst_scan --scans 20 --expect 500 [--rcvbuf BYTES]
//   vantoro_bench_burst_scan --idle-seconds 10      (listen only: no scan)
//
// Exit status 0 when every scan listed at least the expected number of bridges.

#include "protocol/DiscoveryScan.h"
#include "protocol/UdpTransport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>
#include <sys/resource.h>

namespace {

// CPU time of the whole process (every thread), user and system, in milliseconds.
double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

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
    const QCommandLineOption idleOption(QStringLiteral("idle-seconds"),
                                        QStringLiteral("Only listen, this long, and report CPU."),
                                        QStringLiteral("s"), QStringLiteral("0"));
    parser.addOptions({scansOption, expectOption, bufferOption, idleOption});
    parser.process(app);
    const int scans = std::clamp(parser.value(scansOption).toInt(), 1, 1000);
    const int expect = parser.value(expectOption).toInt();
    const int idleSeconds = std::clamp(parser.value(idleOption).toInt(), 0, 600);

    QTextStream out(stdout);
    vantoro::UdpTransport transport;
    transport.setRequestedReceiveBuffer(parser.value(bufferOption).toInt());
    vantoro::DiscoveryScan scan(transport);
    if (scan.SetUp() != vantoro::SetupStatus::Ok) {
        out << "socket set-up failed\n";
        return 2;
    }
    out << "receive buffer granted: " << transport.receiveBufferBytes() << " bytes\n";

    int datagrams = 0;
    QObject::connect(&transport, &vantoro::Transport::DatagramReceived,
                     [&datagrams](const QByteArray&) { ++datagrams; });
    QElapsedTimer clock;
    double cpuAtStart = CpuMs();

    if (idleSeconds > 0) {
        clock.start();
        QTimer::singleShot(idleSeconds * 1000, &app, [&] {
            const double cpu = CpuMs() - cpuAtStart;
            out << "idle " << clock.elapsed() << " ms: " << datagrams << " datagrams received, "
                << QString::number(cpu, 'f', 1)
                << " ms CPU = " << QString::number(100.0 * cpu / double(clock.elapsed()), 'f', 2)
                << " % of a core\n";
            QCoreApplication::exit(0);
        });
        return QCoreApplication::exec();
    }

    int done = 0;
    int failures = 0;
    double cpuTotal = 0;
    double cpuMax = 0;
    QObject::connect(&scan, &vantoro::DiscoveryScan::ScanFinished, [&] {
        const int listed = scan.rowCount();
        const double cpu = CpuMs() - cpuAtStart;
        cpuTotal += cpu;
        cpuMax = std::max(cpuMax, cpu);
        if (listed < expect) {
            ++failures;
        }
        out << "scan " << (done + 1) << ": " << listed << " listed, " << datagrams
            << " datagrams received, " << clock.elapsed() << " ms, " << QString::number(cpu, 'f', 1)
            << " ms CPU\n"
            << Qt::flush;
        datagrams = 0;
        if (++done == scans) {
            QCoreApplication::exit(failures == 0 ? 0 : 1);
            return;
        }
        clock.restart();
        cpuAtStart = CpuMs();
        scan.StartScan();
    });
    clock.start();
    cpuAtStart = CpuMs();
    scan.Begin();
    const int status = QCoreApplication::exec();
    out << (scans - failures) << " of " << scans << " scans listed all " << expect
        << " bridges; CPU per scan: mean " << QString::number(cpuTotal / scans, 'f', 1)
        << " ms, max " << QString::number(cpuMax, 'f', 1) << " ms\n";
    return status;
}
