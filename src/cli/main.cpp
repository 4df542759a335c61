#include "app_dirs.h"
#include "app_info.h"
#include "check_session.h"
#include "cli_options.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

using namespace nomispot;

int main(int argc, char** argv) {
    // A reader that goes away is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nomispot-check"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));

    const cli::ParsedCommandLine command = cli::parseCommandLine(QCoreApplication::arguments());
    switch (command.kind) {
    case cli::ParsedCommandLine::Help:
    case cli::ParsedCommandLine::Version:
        std::fputs(command.text.toLocal8Bit().constData(), stdout);
        return cli::kExitOk;
    case cli::ParsedCommandLine::Error:
        std::fprintf(stderr, "%s\nTry 'nomispot-check --help'.\n",
                     command.text.toLocal8Bit().constData());
        return cli::kExitBadInput;
    case cli::ParsedCommandLine::Run:
        break;
    }

    cli::CheckSession session(command.options, appDataDir(QCoreApplication::applicationDirPath()),
                              {});
    QObject::connect(&session, &cli::CheckSession::done, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &session, &cli::CheckSession::start);
    return app.exec();
}
