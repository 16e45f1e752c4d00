#include "app/cli/Cli.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantoro-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return int(
        vantoro::cli::Run(QCoreApplication::arguments(), out, err, vantoro::cli::MakeTransport));
}
