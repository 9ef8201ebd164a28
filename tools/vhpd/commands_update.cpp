// The update check: which client builds the update server offers for the
// server the program talks to.
#include "context.h"
#include "failure.h"

#include <AsyncCheckUpdate.h>
#include <VHNetwork.h>

#include <QEventLoop>
#include <QTimer>

namespace {

void declareUpdateCheck(Options &parser)
{
    addOption(parser, "package-api",
              "Root of the update server's API (default $VH_PACKAGE_API, else the built-in "
              "one).",
              "url");
}

// Runs the library's asynchronous check in the program's event loop. An
// empty list is "nothing offered" only when both servers answered; otherwise
// the cause is reported.
int updateCheck(Context &context)
{
    if (context.isSet("package-api"))
        qputenv("VH_PACKAGE_API", context.value("package-api").toUtf8());
    AsyncCheckUpdate checker;
    QList<UpdateInfo> builds;
    bool reported = false;
    QEventLoop loop;
    QObject::connect(&checker, &AsyncCheckUpdate::checkUpdateFinish, &loop,
                     [&](const QList<UpdateInfo> &offered) {
                         builds = offered;
                         reported = true;
                         loop.quit();
                     });
    // Two exchanges, each bounded by the transport's time-out.
    const int waitMs = 2 * NetworkManager::instance().timeout() + 1000;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    checker.checkUpdate();
    loop.exec();

    if (!reported)
        return reportFailure(ExitUnreachable,
                             QStringLiteral("cannot ask for client builds: no answer within %1 s")
                                 .arg(waitMs / 1000));
    const VHError cause = checker.lastError();
    if (!cause.isNone()) {
        // Whatever the cause, the builds could not be learnt: the servers'
        // failure, not the command's.
        return reportFailure(
            ExitUnreachable,
            QStringLiteral("cannot ask for client builds: %1").arg(explainFailure(cause).cause),
            cause);
    }
    context.out.text(QStringLiteral("Update server: %1").arg(checker.getPackageApi()));
    return context.showRows("client builds",
                            {{"Version", "version"},
                             {"Build", "build"},
                             {"Name", "name"},
                             {"Forced", "forced"},
                             {"Description", "description"}},
                            toJsonArray(builds));
}

} // namespace

QList<Command> updateCommands()
{
    return {
        {"update-check", "", "List the client builds offered for this server.", Needs::Server, 0, 0,
         declareUpdateCheck, updateCheck, Group::Updates,
         "vhpd update-check\n"
         "vhpd update-check --package-api https://updates.example.com/",
         "[build]"},
    };
}
