#include "AsyncCheckUpdate.h"

#include "core/requestframe.h"
#include "update/updateinfocodec.h"

#include "VHNetwork.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

using namespace RequestFrame;

AsyncCheckUpdate::AsyncCheckUpdate(QObject *parent)
    : QObject(parent)
    , m_netManager(new AsyncNetManager(this))
{
    connect(m_netManager, SIGNAL(netComplete(QByteArray)), this, SLOT(checkComplete(QByteArray)));
}

// The transport goes first, while this object is still whole: it cancels a
// request under way without reporting it, so nothing reaches the slot later.
AsyncCheckUpdate::~AsyncCheckUpdate()
{
    delete m_netManager;
    m_netManager = nullptr;
}

void AsyncCheckUpdate::checkUpdate()
{
    m_serverId.clear();
    m_netManager->get(url(Service::Account, "system/profile/serverId"));
}

// Reports the check's end. `unusable` says why an answer could not be used;
// the list follows the bytes alone, but the cause a client reads names a
// failed exchange as such, whatever its body held.
void AsyncCheckUpdate::finish(const QList<UpdateInfo> &updateInfos, const QString &unusable)
{
    m_error = m_netManager->outcome();
    if (m_error.isNone() && !unusable.isEmpty()) {
        m_error.kind = VHError::Kind::BadReply;
        m_error.detail = unusable;
    }
    if (m_error.isNone())
        m_error = VHError();
    emit checkUpdateFinish(updateInfos);
}

bool AsyncCheckUpdate::isFinished() const
{
    return m_netManager->isFinished();
}

QString AsyncCheckUpdate::getPackageApi()
{
    QString root = qEnvironmentVariable("VH_PACKAGE_API");
    if (root.isEmpty())
        return QStringLiteral("https://update.vhplatform.com/api/");
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

QString AsyncCheckUpdate::getDownloadApi()
{
    return QStringLiteral("applications/%1?download=true");
}

// Which stage a reply answers is told by the server id: none yet means the
// backend's answer, otherwise the update server's list of builds.
void AsyncCheckUpdate::checkComplete(const QByteArray &content)
{
    QList<UpdateInfo> updateInfos;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        finish(updateInfos,
               QStringLiteral("the reply is not JSON: %1").arg(parseError.errorString()));
        return;
    }

    if (m_serverId.isEmpty()) {
        m_serverId = document.object().value(QLatin1String("serverId")).toString();
        // Without a server id there is nothing to ask the update server about;
        // asking with an empty one would also make its answer look like the
        // backend's again, and the check would never end.
        if (m_serverId.isEmpty()) {
            finish(updateInfos, QStringLiteral("the server did not say which server it is"));
            return;
        }
        m_netManager->get(
            getPackageApi() +
            fillPlaceholders(QStringLiteral("private_servers/%1/verification?device=pc"),
                             {m_serverId}));
        return;
    }

    if (!document.isArray()) {
        finish(updateInfos, QStringLiteral("the update server's reply is not a list of builds"));
        return;
    }
    const QJsonArray entries = document.array();
    updateInfos.reserve(entries.size());
    for (const QJsonValue &entry : entries) {
        UpdateInfo info;
        parseUpdateInfo(entry.toObject(), info);
        updateInfos.append(info);
    }
    finish(updateInfos, QString());
}
