#include "rawclient.h"

#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

QString str(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

QDateTime date(const QJsonObject &o, const char *key)
{
    return QDateTime::fromString(str(o, key), Qt::ISODateWithMs);
}

} // namespace

namespace RawClient {

QByteArray get(QNetworkAccessManager &manager, const QString &url, bool identity)
{
    QNetworkRequest request{QUrl(url, QUrl::TolerantMode)};
    if (identity)
        request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

VHUser user(const QJsonObject &o)
{
    VHUser u;
    u.id = str(o, "_id");
    u.name = str(o, "name");
    u.nickName = str(o, "nickName");
    u.avatar = str(o, "avatar");
    u.phoneNumber = str(o, "phoneNumber");
    u.signature = str(o, "signature");
    u.visible = o.value(QLatin1String("visible")).toBool(true);
    return u;
}

VHEntity entity(const QJsonObject &o)
{
    VHEntity e;
    e.id = str(o, "_id");
    e.uuid = str(o, "uuid");
    e.modelId = str(o, "modelId");
    e.model = str(o, "model");
    e.qrCode = str(o, "qrCode");
    e.printed = o.value(QLatin1String("printed")).toBool();
    e.name = str(o, "name");
    e.entityId = str(o, "entityId");
    e.floor = str(o, "floor");
    e.category = o.value(QLatin1String("category")).toInt();
    e.domain = o.value(QLatin1String("domain")).toInt();
    e.printedAt = date(o, "printedAt");
    e.printedBy = str(o, "printedBy");
    return e;
}

VHModel model(const QJsonObject &o)
{
    VHModel m;
    m.id = str(o, "_id");
    m.modelId = m.id;
    m.name = str(o, "name");
    m.authorized = o.value(QLatin1String("authorized")).toBool(true);
    m.modelFile = str(o, "modelFile");
    m.remark = str(o, "remark");
    m.modelSize = o.value(QLatin1String("modelSize")).toVariant().toLongLong();
    m.version = o.value(QLatin1String("version")).toInt(1);
    m.preprocessed = o.value(QLatin1String("preprocessed")).toInt();
    for (const QJsonValue &tag : o.value(QLatin1String("tags")).toArray())
        m.tags.append(tag.toString());
    m.updatedAt = date(o, "updatedAt");
    m.updatedBy = str(o, "updatedBy");
    return m;
}

} // namespace RawClient
