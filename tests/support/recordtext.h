#ifndef VHPD_RECORDTEXT_H
#define VHPD_RECORDTEXT_H

#include "AsyncCheckUpdate.h"
#include "VHPrimaryData.h"
#include "VHPublicFun.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

inline VHPrimaryData &facade()
{
    return *VHPrimaryData::instance();
}

// The JSON object written in a test; a typo in the text stops the program at
// once instead of testing an empty object.
inline QJsonObject jsonObject(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        qFatal("test JSON is not an object: %s", json.constData());
    return document.object();
}

// A record with only its id and name set.
template<typename Record> Record named(const QString &id, const QString &name = QString())
{
    Record record;
    record.id = id;
    record.name = name;
    return record;
}

template<typename Record> QStringList idsOf(const QList<Record> &records)
{
    QStringList ids;
    for (const Record &record : records)
        ids.append(record.id);
    return ids;
}

// A record written by field name: record<VHUser>(R"({"id":"u1","visible":false})")
// is a default user with those two fields set. Date-times are the service's
// texts, nested records objects and lists arrays. A name that is not a field
// stops the program, so that a typo cannot pass as a default.
namespace RecordFields {

template<typename T> void read(const QJsonValue &json, T &field);

inline void read(const QJsonValue &json, QString &text)
{
    text = json.toString();
}
inline void read(const QJsonValue &json, bool &flag)
{
    flag = json.toBool();
}
inline void read(const QJsonValue &json, int &number)
{
    number = json.toInt();
}
inline void read(const QJsonValue &json, qint64 &number)
{
    number = qint64(json.toDouble());
}
inline void read(const QJsonValue &json, QDateTime &at)
{
    at = VHPub::getDateTimeByQString(json.toString());
}
inline void read(const QJsonValue &json, QMap<QString, QString> &map)
{
    const QJsonObject object = json.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        map.insert(it.key(), it.value().toString());
}
template<typename T> void read(const QJsonValue &json, QList<T> &list)
{
    for (const QJsonValue &element : json.toArray()) {
        T value{};
        read(element, value);
        list.append(value);
    }
}
inline void read(const QJsonValue &json, QStringList &texts)
{
    read(json, static_cast<QList<QString> &>(texts));
}

template<typename T> void read(const QJsonValue &json, T &field)
{
    if constexpr (std::is_enum_v<T>) {
        field = T(json.toInt());
    } else {
        const QJsonObject object = json.toObject();
        int known = 0;
        T::visitFields([&](const char *name, auto member) {
            if (object.contains(QLatin1String(name))) {
                read(object.value(QLatin1String(name)), field.*member);
                ++known;
            }
        });
        if (known != object.size())
            qFatal("not a field: %s", QJsonDocument(object).toJson().constData());
    }
}

} // namespace RecordFields

template<typename Record> Record record(const QByteArray &json)
{
    Record result{};
    RecordFields::read(jsonObject(json), result);
    return result;
}

template<typename Record> QList<Record> records(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        qFatal("test JSON is not an array: %s", json.constData());
    QList<Record> result;
    RecordFields::read(document.array(), result);
    return result;
}

// QCOMPARE shows a record through its debug output, so that a failure names
// the fields that differ from a default record.
template<typename Record> QString recordText(const Record &record)
{
    QString text;
    QDebug(&text).nospace() << record;
    return text;
}

#define RECORD_TEST_TEXT(Record)                                                                   \
    inline char *toString(const Record &record)                                                    \
    {                                                                                              \
        return qstrdup(recordText(record).toUtf8().constData());                                   \
    }
RECORD_TEST_TEXT(VHUser)
RECORD_TEST_TEXT(VHProject)
RECORD_TEST_TEXT(VHMemRequest)
RECORD_TEST_TEXT(VHCircle)
RECORD_TEST_TEXT(VHEnterprise)
RECORD_TEST_TEXT(VHStructure)
RECORD_TEST_TEXT(VHEncodePair)
RECORD_TEST_TEXT(VHEncodeRule)
RECORD_TEST_TEXT(VHModule)
RECORD_TEST_TEXT(VHModuleGroup)
RECORD_TEST_TEXT(VHPeriod)
RECORD_TEST_TEXT(VHModel)
RECORD_TEST_TEXT(VHModelSet)
RECORD_TEST_TEXT(VHModelTag)
RECORD_TEST_TEXT(VHModelTagType)
RECORD_TEST_TEXT(VHEntity)
RECORD_TEST_TEXT(VHEntityTree)
RECORD_TEST_TEXT(VHProperty)
RECORD_TEST_TEXT(VHEntityPropertyVersion)
RECORD_TEST_TEXT(VHEntityPropertyExtend)
RECORD_TEST_TEXT(VHQRSetting)
RECORD_TEST_TEXT(VHQRTemplate)
RECORD_TEST_TEXT(VHPrintRecord)
RECORD_TEST_TEXT(VHStatisticsQuantity)
RECORD_TEST_TEXT(UpdateInfo)
#undef RECORD_TEST_TEXT

// Records as one line of text, so that one comparison shows every field of
// both sides: fields in declaration order joined by "|", flags as 1 or 0,
// texts of a list joined by ",", date-times in the service's form, nested
// records in brackets and records of a list joined by "; ".

namespace RecordText {

inline QString field(const QString &text)
{
    return text;
}
inline QString field(const QStringList &texts)
{
    return texts.join(QLatin1Char(','));
}
inline QString field(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}
inline QString field(qint64 number)
{
    return QString::number(number);
}
inline QString field(int number)
{
    return QString::number(number);
}
inline QString field(const QList<int> &numbers)
{
    QStringList texts;
    for (int number : numbers)
        texts.append(QString::number(number));
    return texts.join(QLatin1Char(','));
}
inline QString field(const QDateTime &at)
{
    return VHPub::getQStringByDateTime(at);
}
inline QString field(const QMap<QString, QString> &map)
{
    QStringList pairs;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        pairs.append(it.key() + QLatin1Char('=') + it.value());
    return pairs.join(QLatin1Char(','));
}
template<typename Record> QString field(const QList<Record> &records);

template<typename... Fields> QString join(const Fields &...fields)
{
    return QStringList{field(fields)...}.join(QLatin1Char('|'));
}

} // namespace RecordText

inline QString describe(const VHUser &u)
{
    return RecordText::join(u.id, u.name, u.nickName, u.avatar, u.phoneNumber, u.structureId,
                            u.signature, u.visible);
}
inline QString describe(const VHProject &p)
{
    return RecordText::join(p.id, p.name, p.sortName, p.description, p.enterpriseId, p.circleId,
                            p.location, p.paymentId, p.pictures, p.state, p.province, p.city,
                            p.area, p.road, p.adminIds, p.status, p.platforms, p.duration,
                            p.startAt, p.endAt, p.expireAt, p.createAt, p.createBy, p.updateAt,
                            p.updateBy);
}
inline QString describe(const VHMemRequest &r)
{
    const Approved &a = r.approvedData;
    return RecordText::join(r.id, r.hostId, r.type, r.userId, r.status, r.invitationId, r.invitedBy,
                            r.createdBy, r.approvedBy,
                            '[' + RecordText::join(a.remark, a.positionId, a.structureId) + ']',
                            '[' + describe(r.user) + ']');
}
inline QString describe(const VHCircle &c)
{
    return RecordText::join(c.id, c.name, c.sortName, c.enterpriseId, c.parentId);
}
inline QString describe(const VHStructure &s)
{
    return RecordText::join(s.id, s.name, s.hostId, s.parentId, s.authTemplateId, s.type, s.level);
}
inline QString describe(const VHModule &m)
{
    return RecordText::join(m.id, m.name, m.i18nName, m.key, m.category, m.icon, m.value,
                            m.internal, m.enable, m.statistics);
}
inline QString describe(const VHModuleGroup &g)
{
    return RecordText::join(g.id, g.name, g.i18nName, g.parentId, g.type,
                            '[' + describe(g.module) + ']');
}
inline QString describe(const VHModel &m)
{
    return RecordText::join(m.id, m.modelId, m.linkId, m.name, m.modelFile, m.remark, m.modelSize,
                            m.authorized, m.version, m.preprocessed, m.tags, m.mapModelTag,
                            m.updatedAt, m.updatedBy);
}
inline QString describe(const VHModelSet &s)
{
    return RecordText::join(s.id, s.name, s.modelIds, s.createdAt, s.createdBy);
}
inline QString describe(const VHModelTag &t)
{
    return RecordText::join(t.id, t.name, t.type);
}
inline QString describe(const VHModelTagType &t)
{
    return RecordText::join(t.id, t.name, t.isDefault, t.tags);
}
inline QString describe(const VHEntity &e)
{
    return RecordText::join(e.id, e.uuid, e.model, e.modelId, e.qrCode, e.printed, e.clientFlag,
                            e.name, e.entityId, e.floor, e.domainText, e.clientText, e.domain,
                            e.category, e.printedAt, e.printedBy);
}
inline QString describe(const VHEntityTreeDomain &d)
{
    return RecordText::join(d.domain, d.categories);
}
inline QString describe(const VHEntityTreeFloor &f)
{
    return RecordText::join(f.floor, f.domains);
}
inline QString describe(const VHEntityTree &t)
{
    return RecordText::join(t.modelId, t.group, t.wholeModel, t.floors);
}
inline QString describe(const VHProperty &p)
{
    return RecordText::join(p.category, p.key, p.value);
}
inline QString describe(const VHEntityPropertyVersion &v)
{
    return RecordText::join(v.name, v.entityId, v.floor, v.category, v.domain, v.properties);
}
inline QString describe(const VHEntityPropertyExtend &e)
{
    return RecordText::join(e.uuid, e.projectId, e.properties);
}
inline QString describe(const VHQRSetting &s)
{
    return RecordText::join(s.id, s.type, s.logo);
}
inline QString describe(const VHQRTemplateItem &i)
{
    return RecordText::join(i.key, i.value, i.property);
}
inline QString describe(const VHQRTemplate &t)
{
    QList<int> modified;
    for (VHQRTemplateField changed : t.modifiedFields)
        modified.append(int(changed));
    return RecordText::join(t.id, t.name, t.data, t.type, modified);
}
inline QString describe(const VHPrintRecord &r)
{
    return RecordText::join(r.id, r.rId, r.logo, r.type, r.properties, r.createdAt, r.createdBy);
}
inline QString describe(const VHStatisticsQuantity &q)
{
    return RecordText::join(q.type, q.year, q.month, q.week, q.day, q.total);
}
inline QString describe(const UpdateInfo &i)
{
    return RecordText::join(i.id, i.name, i.version, i.fileId, i.device, i.description, i.build,
                            i.forced);
}

template<typename Record> QStringList describeEach(const QList<Record> &records)
{
    QStringList lines;
    for (const Record &record : records)
        lines.append(describe(record));
    return lines;
}

template<typename Record> QString RecordText::field(const QList<Record> &records)
{
    return '[' + describeEach(records).join(QStringLiteral("; ")) + ']';
}

#endif // VHPD_RECORDTEXT_H
