#include "ui/main/Application.h"

#include "platform/Platform.h"
#include "protocol/Transport.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/Artwork.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
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

} // namespace

Application::Application(MainWindowServices services, bool demo)
    : services_(std::move(services)), demo_(demo) {}

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
    window->SetDemoMode(demo_);
    if (window->OnInitDialog()) {
        window->exec();
    }
    return exitStatus;
}

int Application::Main(int argc, char** argv, const TransportFactory& makeTransport) {
    QCoreApplication::setApplicationName(QStringLiteral("vantoro"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.10"));
    QCoreApplication::setOrganizationName(QStringLiteral("BRELLIX"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Work over a simulated LAN of demo bridges instead of the network."));

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
    QCommandLineParser parser;
    DescribeCommandLine(parser, demoOption);
    parser.process(app);
    const bool demo = parser.isSet(demoOption);

    SystemPlatform platform([] { QApplication::beep(); });
    WidgetMessageBoxes messages;
    const std::unique_ptr<Transport> transport = makeTransport(platform, demo);
    Application application(MainWindowServices{*transport, messages, platform, &ExitNow}, demo);
    return application.InitInstance();
}

void Application::ExitNow(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace vantoro
