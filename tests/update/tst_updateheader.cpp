#include <AsyncCheckUpdate.h>

#include <QCoreApplication>

#include <cstdio>

// Builds against the public header alone and runs against the shared library:
// the exported class must be usable, and the registration its header documents
// must be enough for a queued connection to carry the builds.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<QList<UpdateInfo>>("QList<UpdateInfo>");

    AsyncCheckUpdate checker;
    QList<UpdateInfo> received;
    QObject::connect(
        &checker, &AsyncCheckUpdate::checkUpdateFinish, &app,
        [&received](const QList<UpdateInfo> &infos) { received = infos; }, Qt::QueuedConnection);
    UpdateInfo info;
    info.id = QStringLiteral("b1");
    info.build = 7;
    emit checker.checkUpdateFinish(QList<UpdateInfo>{info});
    QCoreApplication::processEvents();

    const bool ok = qstrcmp(checker.metaObject()->className(), "AsyncCheckUpdate") == 0 &&
                    checker.getDownloadApi() == QLatin1String("applications/%1?download=true") &&
                    checker.isFinished() && received.size() == 1 &&
                    received.at(0).id == QLatin1String("b1") && received.at(0).build == 7 &&
                    !received.at(0).forced;
    if (!ok)
        std::fprintf(stderr, "a client of the update header sees unexpected behaviour\n");
    return ok ? 0 : 1;
}
