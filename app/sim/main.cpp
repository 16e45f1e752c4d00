// vantoro-bridge-sim: the simulated bridges on real UDP, for network namespaces and test LANs.

#include "config/Ipv4.h"
#include "sim/Fleet.h"
#include "sim/SimEngine.h"
#include "sim/UdpBridgeHost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using namespace vantoro::sim;

void Print(const QString& line) {
    std::fprintf(stderr, "vantoro-bridge-sim: %s\n", qPrintable(line));
    std::fflush(stderr);
}

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

// What the command line asks for.
struct Settings {
    std::optional<std::vector<SimBridgeState>> fleet; // the demo fleet when empty
    std::optional<Subnet> pcSubnet;
    SimOptions sim;
    std::optional<QString> logPath;
    double exitAfterSeconds = 0;
};

// True when text is a number from low to high.
bool InRange(const QString& text, double low, double high, double& out) {
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && out >= low && out <= high;
}

// Takes an option's value into the settings; returns why it does not fit, or nothing.
using Apply = std::optional<QString> (*)(const QString& value, Settings& settings);

struct OptionRow {
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* description;
    const char* defaultValue; // nullptr: applied only when given
    Apply apply;
};

std::optional<QString> Milliseconds(const QString& value, int& out, const char* option) {
    double ms = 0;
    if (!InRange(value, 0, 3'600'000, ms)) {
        return QStringLiteral("%1 takes milliseconds (0..3600000)").arg(QLatin1String(option));
    }
    out = int(ms);
    return std::nullopt;
}

// In the order they are listed and checked; the first error ends the program.
const OptionRow kOptions[] = {
    {"fleet", "FILE", "Bridges from a JSON file.", nullptr,
     [](const QString& value, Settings& s) -> std::optional<QString> {
         FleetLoadResult loaded = LoadFleet(value);
         if (!loaded.ok()) {
             return loaded.error;
         }
         s.fleet = std::move(loaded.fleet);
         return std::nullopt;
     }},
    {"count", "N", "N generated bridges (1..65536).", nullptr,
     [](const QString& value, Settings& s) -> std::optional<QString> {
         double count = 0;
         if (!InRange(value, 1, kMaxFleetSize, count) || count != double(int(count))) {
             return QStringLiteral("--count takes a whole number from 1 to %1").arg(kMaxFleetSize);
         }
         s.fleet = GenerateFleet(int(count));
         return std::nullopt;
     }},
    {"demo-fleet", nullptr, "The six demo bridges (default).", nullptr,
     [](const QString&, Settings&) -> std::optional<QString> { return std::nullopt; }},
    {"pc-subnet", "ADDR/MASK",
     "Demo fleet: place the fixed-address bridge in this subnet, e.g. 192.168.5.10/24 (the PC's "
     "address and mask).",
     nullptr,
     [](const QString& value, Settings& s) -> std::optional<QString> {
         if (s.fleet) {
             return std::nullopt; // only the demo fleet is placed
         }
         s.pcSubnet = ParseSubnet(value);
         if (!s.pcSubnet) {
             return QStringLiteral("--pc-subnet takes ADDRESS/PREFIX or ADDRESS/MASK");
         }
         return std::nullopt;
     }},
    {"delay", "MS", "Reply delay in ms (default 0).", "0",
     [](const QString& value, Settings& s) {
         return Milliseconds(value, s.sim.replyDelayMs, "--delay");
     }},
    {"jitter", "MS", "Extra random delay 0..MS (default 0).", "0",
     [](const QString& value, Settings& s) {
         return Milliseconds(value, s.sim.jitterMs, "--jitter");
     }},
    {"drop", "P", "Probability 0..1 of dropping a reply.", "0",
     [](const QString& value, Settings& s) -> std::optional<QString> {
         if (!InRange(value, 0, 1, s.sim.dropProbability)) {
             return QStringLiteral("--drop takes a probability from 0 to 1");
         }
         return std::nullopt;
     }},
    {"duplicates", "N", "Extra copies of every reply (0..16).", "0",
     [](const QString& value, Settings& s) -> std::optional<QString> {
         double count = 0;
         if (!InRange(value, 0, 16, count)) {
             return QStringLiteral("--duplicates takes a count from 0 to 16");
         }
         s.sim.duplicateCount = int(count);
         return std::nullopt;
     }},
    {"reboot-ms", "MS", "Silence after a configuration is applied (default 20000).", "20000",
     [](const QString& value, Settings& s) {
         return Milliseconds(value, s.sim.rebootMs, "--reboot-ms");
     }},
    {"malformed", nullptr, "Follow every reply with a broken datagram (robustness tests).", nullptr,
     [](const QString&, Settings& s) -> std::optional<QString> {
         s.sim.malformed = true;
         return std::nullopt;
     }},
    {"seed", "N", "Seed of the random generator.", "1",
     [](const QString& value, Settings& s) -> std::optional<QString> {
         bool ok = false;
         s.sim.seed = value.toULongLong(&ok);
         if (!ok) {
             return QStringLiteral("--seed takes a whole number");
         }
         return std::nullopt;
     }},
    {"log", "FILE", "Every request as a JSON line to FILE (- = stdout).", nullptr,
     [](const QString& value, Settings& s) -> std::optional<QString> {
         s.logPath = value;
         return std::nullopt;
     }},
    {"exit-after", "SECONDS", "End by itself after SECONDS (default 0: run until stopped).", "0",
     [](const QString& value, Settings& s) -> std::optional<QString> {
         if (!InRange(value, 0, 31'536'000, s.exitAfterSeconds)) {
             return QStringLiteral("--exit-after takes seconds");
         }
         return std::nullopt;
     }},
};

QCommandLineOption ToOption(const OptionRow& row) {
    const QString name = QLatin1String(row.name);
    const QString description = QString::fromUtf8(row.description);
    if (row.valueName == nullptr) {
        return QCommandLineOption(name, description);
    }
    return QCommandLineOption(name, description, QLatin1String(row.valueName),
                              row.defaultValue != nullptr ? QLatin1String(row.defaultValue)
                                                          : QString());
}

// Reads the command line into settings; an error message when it asks for something wrong.
std::optional<QString> ReadCommandLine(const QCoreApplication& app, Settings& settings) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated wireless bridges answering the management protocol on UDP port 65432.\n"
        "It binds 0.0.0.0:65432 and broadcasts every reply to 255.255.255.255:65432, so run it\n"
        "only inside a network namespace (ip netns, veth pairs) or on a LAN set aside for\n"
        "tests - never on this machine's own interfaces. Stop it with --exit-after or a signal."));
    parser.addHelpOption();
    for (const OptionRow& row : kOptions) {
        parser.addOption(ToOption(row));
    }
    parser.process(app);

    const int fleetSources = int(parser.isSet(QStringLiteral("fleet"))) +
                             int(parser.isSet(QStringLiteral("count"))) +
                             int(parser.isSet(QStringLiteral("demo-fleet")));
    if (fleetSources > 1) {
        return QStringLiteral("--fleet, --count and --demo-fleet exclude each other");
    }
    for (const OptionRow& row : kOptions) {
        const QString name = QLatin1String(row.name);
        if (!parser.isSet(name) && row.defaultValue == nullptr) {
            continue;
        }
        if (std::optional<QString> error = row.apply(parser.value(name), settings)) {
            return error;
        }
    }
    if (!settings.fleet) {
        settings.fleet = DemoFleet(settings.pcSubnet);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantoro-bridge-sim"));

    Settings settings;
    if (const std::optional<QString> error = ReadCommandLine(app, settings)) {
        Print(*error);
        return 2;
    }
    const SimOptions& options = settings.sim;
    SimEngine engine(std::move(*settings.fleet), options);

    QFile logFile;
    if (settings.logPath) {
        const QString& path = *settings.logPath;
        const bool opened = path == QLatin1String("-")
                                ? logFile.open(stdout, QIODevice::WriteOnly)
                                : (logFile.setFileName(path),
                                   logFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!opened) {
            Print(QStringLiteral("--log %1: %2").arg(path, logFile.errorString()));
            return 2;
        }
    }
    engine.setLogSink([&logFile](const QByteArray& line) {
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

    const SteadyClock clock;
    UdpBridgeHost host(engine, clock, {}, Print);
    QString error;
    if (!host.Open(error)) {
        Print(error);
        return 1;
    }
    Print(QStringLiteral("%1 simulated bridges on UDP port %2 (delay %3 ms, jitter %4 ms, drop "
                         "%5, duplicates %6, reboot %7 ms%8, seed %9)")
              .arg(engine.bridges().size())
              .arg(vantoro::kManagementPort)
              .arg(options.replyDelayMs)
              .arg(options.jitterMs)
              .arg(options.dropProbability)
              .arg(options.duplicateCount)
              .arg(options.rebootMs)
              .arg(options.malformed ? QStringLiteral(", malformed") : QString())
              .arg(options.seed));
    if (settings.exitAfterSeconds > 0) {
        QTimer::singleShot(std::chrono::milliseconds(qint64(settings.exitAfterSeconds * 1000.0)),
                           &app, &QCoreApplication::quit);
    }
    const int status = QCoreApplication::exec();
    Print(host.Summary());
    return status;
}
