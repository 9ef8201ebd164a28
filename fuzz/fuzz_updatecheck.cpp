// The update check's handling of both answers: the backend's server id and
// the update server's list of builds, from arbitrary bytes.
#include "fuzzsupport.h"

#include "AsyncCheckUpdate.h"
#include "VHPlatform.h"

#include <QMetaObject>

namespace {

// Hands `content` to the check as if its current request had completed;
// returns how many builds it reported.
int complete(AsyncCheckUpdate &check, const QByteArray &content)
{
    int reported = -1;
    const QMetaObject::Connection connection =
        QObject::connect(&check, &AsyncCheckUpdate::checkUpdateFinish,
                         [&reported](const QList<UpdateInfo> &infos) { reported = infos.size(); });
    QMetaObject::invokeMethod(&check, "checkComplete", Qt::DirectConnection,
                              Q_ARG(QByteArray, content));
    QObject::disconnect(connection);
    return reported;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    // Requests the check starts go to a port where nothing listens; they are
    // cancelled with the check and never answered within a run.
    static const bool configured = [] {
        qputenv("VH_PACKAGE_API", "http://127.0.0.1:9/");
        VHBaseApi::GetInstance().setIp(QStringLiteral("http://127.0.0.1:9"));
        return true;
    }();
    (void)configured;
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));

    // Second stage: a check that already knows its server id reads a list.
    static AsyncCheckUpdate *listing = [] {
        auto *check = new AsyncCheckUpdate;
        complete(*check, R"({"serverId":"s"})");
        return check;
    }();
    Fuzz::require(complete(*listing, content) >= 0);

    // First stage: an unusable answer ends the check at once with no builds;
    // a server id moves it on to the update server without reporting.
    {
        AsyncCheckUpdate check;
        const int reported = complete(check, content);
        Fuzz::require(reported == -1 || reported == 0);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
