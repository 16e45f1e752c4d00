#pragma once

// The application object: shows the main window modally, and the program ends when it does.

#include "ui/main/MainWindow.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace vantoro {

class Platform;
class Transport;

// The network the window works over: the real one, or with demo set the simulated LAN.
using TransportFactory = std::function<std::unique_ptr<Transport>(Platform& platform, bool demo)>;

// What the command line asks of the window. Only --demo matters; anything else is reported in
// warnings and otherwise ignored.
struct CommandLineChoice {
    bool demo = false;
    QStringList warnings;
};
CommandLineChoice ReadCommandLine(const QStringList& arguments);

class Application {
public:
    // settingsFile keeps the window's state between runs (none when empty).
    explicit Application(MainWindowServices services, bool demo = false, QString settingsFile = {});

    // Creates the main window, runs it modally and returns the process's exit status when it
    // has ended (or when it asked for the process to end before it was shown).
    int InitInstance();

    // The program: the command line (--demo, --help, --version), the real message boxes, platform
    // and network, then InitInstance.
    static int Main(int argc, char** argv, const TransportFactory& makeTransport);
    // Ends the process at once, as Close and a taken port do.
    [[noreturn]] static void ExitNow(int status);

private:
    MainWindowServices services_;
    bool demo_ = false;
    QString settingsFile_;
};

} // namespace vantoro
