#ifndef VHPD_RAWCLIENT_H
#define VHPD_RAWCLIENT_H

#include "VHEntityTypes.h"
#include "VHModelTypes.h"
#include "VHUser.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

class QNetworkAccessManager;

// The baseline every case is divided by: the leanest correct hand-written Qt
// client. QNetworkAccessManager, a QEventLoop waiting for finished(),
// QJsonDocument::fromJson, value() look-ups and
// QDateTime::fromString(Qt::ISODateWithMs) into plain structs.
namespace RawClient {

// A GET waited for in a local event loop; `identity` asks for the body
// uncompressed.
QByteArray get(QNetworkAccessManager &manager, const QString &url, bool identity = true);

VHUser user(const QJsonObject &o);
VHEntity entity(const QJsonObject &o);
VHModel model(const QJsonObject &o);

// The records of a JSON array, each mapped by `map`.
template<typename Record, typename Map> QList<Record> list(const QByteArray &body, Map map)
{
    const QJsonArray items = QJsonDocument::fromJson(body).array();
    QList<Record> records;
    records.reserve(items.size());
    for (const QJsonValue &item : items)
        records.append(map(item.toObject()));
    return records;
}

} // namespace RawClient

#endif // VHPD_RAWCLIENT_H
