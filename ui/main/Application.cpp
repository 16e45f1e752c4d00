#include "ui/main/Application.h"

#include "config/Version.h"
#include "platform/Platform.h"
#include "protocol/Transport.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/Artwork.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vantoro {

namespace {

void DescribeCommandLine(QCommandLineParser& parser, const QCommandLineOption& demo) {
    parser.setApplicationDescription(
        QStringLiteral("Finds the BRELLIX wireless bridges on the LAN, shows their status and "
                       "changes their settings."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(demo);
}

bool AsksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

QCommandLineOption DemoOption() {
    return QCommandLineOption(
        QStringLiteral("demo"),
        QStringLiteral("Work over a simulated LAN of demo bridges instead of the network."));
}

} // namespace

CommandLineChoice ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    DescribeCommandLine(parser, DemoOption());
    CommandLineChoice choice;
    // The program needs nothing from its command line: what it does not know is reported and
    // left aside, and the window opens all the same.
    if (!parser.parse(arguments)) {
        choice.warnings << parser.errorText() + QStringLiteral(" Ignored.");
    }
    if (!parser.positionalArguments().isEmpty()) {
        choice.warnings << QStringLiteral("Unexpected argument '%1'. Ignored.")
                               .arg(parser.positionalArguments().join(QLatin1Char(' ')));
    }
    choice.demo = parser.isSet(QStringLiteral("demo"));
    return choice;
}

Application::Application(MainWindowServices services, bool demo, QString settingsFile)
    : services_(std::move(services)), demo_(demo), settingsFile_(std::move(settingsFile)) {}

int Application::InitInstance() {
    // Qt needs no switch for hosting controls or for their look: the start is the main window.
    // The window ends the process either by returning from its modal run or through
    // exitProcess; a test's exitProcess returns, so keep the status it was given.
    int exitStatus = 0;
    MainWindowServices services = services_;
    services.exitProcess = [&exitStatus, end = services_.exitProcess](int status) {
        exitStatus = status;
        end(status);
    };
    // 500 bridge records: the window lives on the heap, not on this stack.
    auto window = std::make_unique<MainWindow>(std::move(services));
    window->setDemoMode(demo_);
    window->setSettingsFile(settingsFile_);
    if (window->OnInitDialog()) {
        window->exec();
    }
    return exitStatus;
}

int Application::Main(int argc, char** argv, const TransportFactory& makeTransport) {
    QCoreApplication::setApplicationName(QStringLiteral("vantoro"));
    QCoreApplication::setApplicationVersion(QLatin1String(kVersionText));
    QCoreApplication::setOrganizationName(QStringLiteral("BRELLIX"));
    const QCommandLineOption demoOption = DemoOption();

    if (AsksForTextOnly(argc, argv)) {
        // Help and version need no display.
        QCoreApplication textOnly(argc, argv);
        QCommandLineParser parser;
        DescribeCommandLine(parser, demoOption);
        parser.process(textOnly);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(ProgramIcon());
    // Lets a Wayland desktop match the window to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brellix.vantoro"));
    const CommandLineChoice choice = ReadCommandLine(QCoreApplication::arguments());
    for (const QString& warning : choice.warnings) {
        std::fprintf(stderr, "vantoro: %s\n", qPrintable(warning));
    }
    const bool demo = choice.demo;

    SystemPlatform platform([] { QApplication::beep(); });
    WidgetMessageBoxes messages;
    const std::unique_ptr<Transport> transport = makeTransport(platform, demo);
    // The window's size, columns and sort, in the user's configuration folder.
    const QString settingsFile =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                  QCoreApplication::applicationName())
            .fileName();
    Application application(MainWindowServices{*transport, messages, platform, &ExitNow}, demo,
                            settingsFile);
    return application.InitInstance();
}

void Application::ExitNow(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace vantoro
