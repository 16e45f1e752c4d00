// The real main window, offscreen, taking 500 replies in one burst as the network hands them
// over, unsorted and sorted; then a sort of the 500 rows and one keystroke in the filter. Reports
// the longest time the GUI thread spent in one event (so without returning to the event loop).
//
//   QT_QPA_PLATFORM=offscreen vantoro_bench_main_window [--runs 5]

#include "platform/Platform.h"
#include "protocol/Transport.h"
#include "tests/support/FakeTransport.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace {

// Times every event the application delivers from its event loop (nested deliveries count in
// the outermost one).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    double longestMs = 0;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        QElapsedTimer clock;
        clock.start();
        const bool handled = QApplication::notify(receiver, event);
        longestMs = std::max(longestMs, double(clock.nsecsElapsed()) / 1e6);
        --depth_;
        return handled;
    }

private:
    int depth_ = 0;
};

QByteArrayList Burst(int count) {
    QByteArrayList burst;
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xffffu;
    };
    for (int i = 0; i < count; ++i) {
        const QByteArray mac = QByteArray("02:4B:00:00:") + QByteArray::number(i / 256, 16) + ':' +
                               QByteArray::number(i % 256, 16);
        const QByteArray name = "Bridge-" + QByteArray::number(next() % 1000);
        const QByteArray ip = "10." + QByteArray::number(next() % 256) + '.' +
                              QByteArray::number(next() % 256) + '.' +
                              QByteArray::number(next() % 256);
        burst << vantoro::test::SimpleReply(mac, name, "BX-100", ip);
    }
    return burst;
}

void RunEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TimedApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each."),
                                        QStringLiteral("n"), QStringLiteral("5"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = std::clamp(parser.value(runsOption).toInt(), 1, 100);

    vantoro::test::FakeTransport transport;
    vantoro::WidgetMessageBoxes messages;
    vantoro::SystemPlatform platform;
    vantoro::MainWindow window(
        vantoro::MainWindowServices{transport, messages, platform, [](int) {}});
    if (!window.OnInitDialog()) {
        return 2;
    }
    window.show();
    RunEventsFor(200);
    const QByteArrayList burst = Burst(vantoro::kBridgeTableSize);
    QTextStream out(stdout);

    const auto rescan = [&window] {
        while (!window.scan().scanIdle()) {
            window.OnScanTick();
        }
        window.StartScan();
        RunEventsFor(50);
    };
    for (const bool sorted : {false, true}) {
        std::vector<double> longest;
        for (int run = 0; run < runs; ++run) {
            rescan();
            if (sorted != (window.findChild<QTreeView*>()->header()->sortIndicatorSection() >= 0)) {
                window.CycleSort(vantoro::ColumnIpAddress);
            }
            app.longestMs = 0;
            // The whole burst in one event, as the receiver hands it over.
            QTimer::singleShot(0, &transport, [&] {
                for (const QByteArray& datagram : burst) {
                    transport.Deliver(datagram, {2, QStringLiteral("eth0")});
                }
            });
            RunEventsFor(300);
            longest.push_back(app.longestMs);
        }
        out << "burst of " << burst.size()
            << (sorted ? " replies, sorted by address" : " replies, unsorted") << ": longest busy "
            << QString::number(Median(longest), 'f', 2) << " ms (median of " << runs << "), worst "
            << QString::number(*std::max_element(longest.begin(), longest.end()), 'f', 2)
            << " ms\n";
    }

    std::vector<double> sorts;
    for (int run = 0; run < runs; ++run) {
        app.longestMs = 0;
        QElapsedTimer clock;
        clock.start();
        window.CycleSort(vantoro::ColumnDeviceName);
        const double call = double(clock.nsecsElapsed()) / 1e6;
        RunEventsFor(100);
        sorts.push_back(std::max(call, app.longestMs));
    }
    out << "sort of 500 rows (click, then its repaint): longest busy "
        << QString::number(Median(sorts), 'f', 2) << " ms (median), worst "
        << QString::number(*std::max_element(sorts.begin(), sorts.end()), 'f', 2) << " ms\n";

    window.OpenFilter();
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
    std::vector<double> keys;
    for (int run = 0; run < runs; ++run) {
        for (const auto& [key, text] :
             {std::pair{Qt::Key_1, QStringLiteral("1")}, std::pair{Qt::Key_Backspace, QString()}}) {
            app.longestMs = 0;
            QElapsedTimer clock;
            clock.start();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(filter, &press);
            const double call = double(clock.nsecsElapsed()) / 1e6;
            RunEventsFor(100);
            keys.push_back(std::max(call, app.longestMs));
        }
    }
    out << "filter keystroke over 500 rows: longest busy " << QString::number(Median(keys), 'f', 2)
        << " ms (median), worst "
        << QString::number(*std::max_element(keys.begin(), keys.end()), 'f', 2) << " ms\n";
    return 0;
}
