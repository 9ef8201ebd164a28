// The update check: which client builds the update server offers for the
// server the program talks to.
#include "context.h"

#include <AsyncCheckUpdate.h>
#include <VHNetwork.h>
#include <VHPrimaryData.h>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QTimer>

namespace {

void declareUpdateCheck(QCommandLineParser &parser)
{
    addOption(parser, "package-api",
              "Root of the update server's API (default $VH_PACKAGE_API, else the built-in "
              "one).",
              "url");
}

// Runs the library's asynchronous check in the program's event loop.
int updateCheck(Context &context)
{
    if (context.isSet("package-api"))
        qputenv("VH_PACKAGE_API", context.value("package-api").toUtf8());
    AsyncCheckUpdate checker;
    QList<UpdateInfo> builds;
    QEventLoop loop;
    QObject::connect(&checker, &AsyncCheckUpdate::checkUpdateFinish, &loop,
                     [&](const QList<UpdateInfo> &offered) {
                         builds = offered;
                         loop.quit();
                     });
    // Two exchanges, each bounded by the transport's time-out.
    QTimer::singleShot(2 * NetworkManager::instance().timeout() + 1000, &loop, &QEventLoop::quit);
    checker.checkUpdate();
    loop.exec();

    if (builds.isEmpty()) {
        // No list: either nothing is offered, or a server did not answer.
        QString root = context.server;
        if (!context.data().touchApi(root)) {
            printError(QStringLiteral("cannot reach the server at %1").arg(context.server));
            return ExitUnreachable;
        }
    }
    context.out.text(QStringLiteral("Update server: %1").arg(checker.getPackageApi()));
    context.out.list({{"Version", "version"},
                      {"Build", "build"},
                      {"Name", "name"},
                      {"Forced", "forced"},
                      {"Description", "description"}},
                     toJsonArray(builds), QStringLiteral("No client builds are offered."));
    return ExitOk;
}

} // namespace

QList<Command> updateCommands()
{
    return {
        {"update-check", "", "List the client builds offered for this server.", Needs::Server, 0, 0,
         declareUpdateCheck, updateCheck},
    };
}
