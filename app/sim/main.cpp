// vantoro-bridge-sim: the simulated bridges on real UDP, for network namespaces and test LANs.

#include "sim/Fleet.h"
#include "sim/SimEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace vantoro::sim;

constexpr int kSocketBufferBytes = 4 * 1024 * 1024;
constexpr int kMaxRequestBytes = 65536;
// A full send queue is waited out briefly, then the datagram is given up.
constexpr int kSendRetries = 50;
constexpr int kSendRetryWaitMs = 10;

void Print(const QString& line) {
    std::fprintf(stderr, "vantoro-bridge-sim: %s\n", qPrintable(line));
    std::fflush(stderr);
}

// The engine behind one UDP socket bound to 0.0.0.0:65432; replies go to 255.255.255.255:65432.
class UdpBridgeHost : public QObject {
public:
    UdpBridgeHost(SimEngine& engine, QObject* parent = nullptr) : QObject(parent), engine_(engine) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &UdpBridgeHost::SendDue);
        clock_.start();
        // Our own broadcasts come back to us; junk sent in malformed mode must not read as a
        // request.
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                ownAddresses_.insert(address.toIPv4Address());
            }
        }
    }

    ~UdpBridgeHost() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    bool Open(QString& error) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            error = QStringLiteral("socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        const int on = 1;
        if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            error = QStringLiteral("SO_BROADCAST: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // Large buffers: a burst of hundreds of replies leaves in one go.
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &kSocketBufferBytes, sizeof kSocketBufferBytes);
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kSocketBufferBytes, sizeof kSocketBufferBytes);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(vantoro::kManagementPort);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            error = QStringLiteral("bind 0.0.0.0:%1: %2")
                        .arg(vantoro::kManagementPort)
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        notifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UdpBridgeHost::ReadAll);
        return true;
    }

    QString Summary() const {
        return QStringLiteral("%1 requests received, %2 datagrams sent, %3 could not be sent")
            .arg(requests_)
            .arg(sent_)
            .arg(failed_);
    }

private:
    void ReadAll() {
        QByteArray buffer(kMaxRequestBytes, '\0');
        for (;;) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(fd_, buffer.data(), size_t(buffer.size()), 0,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                    Print(QStringLiteral("receive failed: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
                }
                if (errno != EINTR) {
                    break;
                }
                continue;
            }
            if (ownAddresses_.contains(ntohl(from.sin_addr.s_addr))) {
                continue;
            }
            ++requests_;
            const qint64 now = clock_.elapsed();
            for (OutgoingDatagram& d : engine_.HandleDatagram(buffer.left(qsizetype(n)), now)) {
                queue_.emplace(d.sendAtMs, std::move(d.bytes));
            }
        }
        SendDue();
    }

    void SendDue() {
        const qint64 now = clock_.elapsed();
        while (!queue_.empty() && queue_.begin()->first <= now) {
            Send(queue_.begin()->second);
            queue_.erase(queue_.begin());
        }
        if (!queue_.empty()) {
            timer_.start(int(std::max<qint64>(0, queue_.begin()->first - now)));
        }
    }

    void Send(const QByteArray& bytes) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(vantoro::kManagementPort);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        for (int attempt = 0; attempt <= kSendRetries; ++attempt) {
            const ssize_t n = ::sendto(fd_, bytes.constData(), size_t(bytes.size()), 0,
                                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (n >= 0) {
                ++sent_;
                return;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS && errno != EINTR) {
                break;
            }
            pollfd wait{fd_, POLLOUT, 0};
            ::poll(&wait, 1, kSendRetryWaitMs);
        }
        if (failed_++ == 0) {
            Print(QStringLiteral("send failed: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }

    SimEngine& engine_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    std::multimap<qint64, QByteArray> queue_; // equal times keep the order they were made in
    QSet<quint32> ownAddresses_;
    qint64 requests_ = 0;
    qint64 sent_ = 0;
    qint64 failed_ = 0;
};

std::optional<Subnet> ParseSubnet(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 2) {
        return std::nullopt;
    }
    const auto address = vantoro::ParseIpv4(parts[0].toStdString());
    bool isPrefix = false;
    const int prefix = parts[1].toInt(&isPrefix);
    std::optional<quint32> mask;
    if (isPrefix && prefix >= 0 && prefix <= 32) {
        mask = prefix == 0 ? 0u : ~0u << (32 - prefix);
    } else {
        mask = vantoro::ParseIpv4(parts[1].toStdString());
    }
    if (!address || !mask || !vantoro::IsContiguousMask(*mask)) {
        return std::nullopt;
    }
    return Subnet{*address, *mask};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantoro-bridge-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated wireless bridges answering the management protocol on UDP port 65432.\n"
        "It binds 0.0.0.0:65432 and broadcasts every reply to 255.255.255.255:65432, so run it\n"
        "only inside a network namespace (ip netns, veth pairs) or on a LAN set aside for\n"
        "tests - never on this machine's own interfaces. Stop it with --exit-after or a signal."));
    parser.addHelpOption();
    const QCommandLineOption fleetOption(QStringLiteral("fleet"),
                                         QStringLiteral("Bridges from a JSON file."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("N generated bridges (1..65536)."),
                                         QStringLiteral("N"));
    const QCommandLineOption demoOption(QStringLiteral("demo-fleet"),
                                        QStringLiteral("The six demo bridges (default)."));
    const QCommandLineOption subnetOption(
        QStringLiteral("pc-subnet"),
        QStringLiteral("Demo fleet: place the fixed-address bridge in this subnet, e.g. "
                       "192.168.5.10/24 (the PC's address and mask)."),
        QStringLiteral("ADDR/MASK"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Reply delay in ms (default 0)."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption jitterOption(QStringLiteral("jitter"),
                                          QStringLiteral("Extra random delay 0..MS (default 0)."),
                                          QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption dropOption(QStringLiteral("drop"),
                                        QStringLiteral("Probability 0..1 of dropping a reply."),
                                        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption duplicatesOption(
        QStringLiteral("duplicates"), QStringLiteral("Extra copies of every reply (0..16)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption rebootOption(
        QStringLiteral("reboot-ms"),
        QStringLiteral("Silence after a configuration is applied (default 20000)."),
        QStringLiteral("MS"), QStringLiteral("20000"));
    const QCommandLineOption malformedOption(
        QStringLiteral("malformed"),
        QStringLiteral("Follow every reply with a broken datagram (robustness tests)."));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the random generator."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Every request as a JSON line to FILE (- = stdout)."),
        QStringLiteral("FILE"));
    const QCommandLineOption exitOption(
        QStringLiteral("exit-after"),
        QStringLiteral("End by itself after SECONDS (default 0: run until stopped)."),
        QStringLiteral("SECONDS"), QStringLiteral("0"));
    parser.addOptions({fleetOption, countOption, demoOption, subnetOption, delayOption,
                       jitterOption, dropOption, duplicatesOption, rebootOption, malformedOption,
                       seedOption, logOption, exitOption});
    parser.process(app);

    const auto fail = [](const QString& message) {
        Print(message);
        return 2;
    };
    const auto number = [&parser](const QCommandLineOption& option, double low, double high,
                                  double& out) {
        bool ok = false;
        out = parser.value(option).toDouble(&ok);
        return ok && out >= low && out <= high;
    };

    const int fleetSources = int(parser.isSet(fleetOption)) + int(parser.isSet(countOption)) +
                             int(parser.isSet(demoOption));
    if (fleetSources > 1) {
        return fail(QStringLiteral("--fleet, --count and --demo-fleet exclude each other"));
    }
    std::vector<SimBridgeState> fleet;
    if (parser.isSet(fleetOption)) {
        FleetLoadResult loaded = LoadFleet(parser.value(fleetOption));
        if (!loaded.ok()) {
            return fail(loaded.error);
        }
        fleet = std::move(loaded.fleet);
    } else if (parser.isSet(countOption)) {
        double count = 0;
        if (!number(countOption, 1, kMaxFleetSize, count) || count != double(int(count))) {
            return fail(
                QStringLiteral("--count takes a whole number from 1 to %1").arg(kMaxFleetSize));
        }
        fleet = GenerateFleet(int(count));
    } else {
        std::optional<Subnet> subnet;
        if (parser.isSet(subnetOption)) {
            subnet = ParseSubnet(parser.value(subnetOption));
            if (!subnet) {
                return fail(QStringLiteral("--pc-subnet takes ADDRESS/PREFIX or ADDRESS/MASK"));
            }
        }
        fleet = DemoFleet(subnet);
    }

    SimOptions options;
    double value = 0;
    if (!number(delayOption, 0, 3'600'000, value)) {
        return fail(QStringLiteral("--delay takes milliseconds (0..3600000)"));
    }
    options.replyDelayMs = int(value);
    if (!number(jitterOption, 0, 3'600'000, value)) {
        return fail(QStringLiteral("--jitter takes milliseconds (0..3600000)"));
    }
    options.jitterMs = int(value);
    if (!number(dropOption, 0, 1, options.dropProbability)) {
        return fail(QStringLiteral("--drop takes a probability from 0 to 1"));
    }
    if (!number(duplicatesOption, 0, 16, value)) {
        return fail(QStringLiteral("--duplicates takes a count from 0 to 16"));
    }
    options.duplicateCount = int(value);
    if (!number(rebootOption, 0, 3'600'000, value)) {
        return fail(QStringLiteral("--reboot-ms takes milliseconds (0..3600000)"));
    }
    options.rebootMs = int(value);
    options.malformed = parser.isSet(malformedOption);
    bool seedOk = false;
    options.seed = parser.value(seedOption).toULongLong(&seedOk);
    if (!seedOk) {
        return fail(QStringLiteral("--seed takes a whole number"));
    }
    double exitAfter = 0;
    if (!number(exitOption, 0, 31'536'000, exitAfter)) {
        return fail(QStringLiteral("--exit-after takes seconds"));
    }

    SimEngine engine(std::move(fleet), options);
    QFile logFile;
    if (parser.isSet(logOption)) {
        const QString path = parser.value(logOption);
        const bool opened = path == QLatin1String("-")
                                ? logFile.open(stdout, QIODevice::WriteOnly)
                                : (logFile.setFileName(path),
                                   logFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!opened) {
            return fail(QStringLiteral("--log %1: %2").arg(path, logFile.errorString()));
        }
    }
    engine.SetLogSink([&logFile](const QByteArray& line) {
        if (logFile.isOpen()) {
            logFile.write(line);
            logFile.write("\n", 1);
            logFile.flush();
        }
        // Refused configurations are worth seeing without a log file.
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (entry.value(QLatin1String("applied")) == QJsonValue(false)) {
            Print(QStringLiteral("configuration for %1 ignored: %2")
                      .arg(entry.value(QLatin1String("target")).toString(),
                           entry.value(QLatin1String("reason")).toString()));
        }
    });

    UdpBridgeHost host(engine);
    QString error;
    if (!host.Open(error)) {
        Print(error);
        return 1;
    }
    Print(QStringLiteral("%1 simulated bridges on UDP port %2 (delay %3 ms, jitter %4 ms, drop "
                         "%5, duplicates %6, reboot %7 ms%8, seed %9)")
              .arg(engine.Bridges().size())
              .arg(vantoro::kManagementPort)
              .arg(options.replyDelayMs)
              .arg(options.jitterMs)
              .arg(options.dropProbability)
              .arg(options.duplicateCount)
              .arg(options.rebootMs)
              .arg(options.malformed ? QStringLiteral(", malformed") : QString())
              .arg(options.seed));
    if (exitAfter > 0) {
        QTimer::singleShot(std::chrono::milliseconds(qint64(exitAfter * 1000.0)), &app,
                           &QCoreApplication::quit);
    }
    const int status = QCoreApplication::exec();
    Print(host.Summary());
    return status;
}
