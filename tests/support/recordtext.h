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
#include <QTest>
#include <QtTest>

#include <functional>

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

// A default value for an operation to write a result to that the test does
// not look at.
template<typename T> T &ignored()
{
    static T value;
    value = T();
    return value;
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

// Texts, flags, numbers and lists of texts as QVariant converts them.
template<typename T> void read(const QJsonValue &json, T &field)
{
    if constexpr (std::is_enum_v<T>) {
        field = T(json.toInt());
    } else if constexpr (VHRecord::isRecord<T>) {
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
    } else {
        field = json.toVariant().value<T>();
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
RECORD_TEST_TEXT(VHStructure)
RECORD_TEST_TEXT(VHEncodePair)
RECORD_TEST_TEXT(VHEncodeRule)
RECORD_TEST_TEXT(VHModule)
RECORD_TEST_TEXT(VHModuleGroup)
RECORD_TEST_TEXT(VHPeriod)
RECORD_TEST_TEXT(VHModel)
RECORD_TEST_TEXT(VHModelSet)
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

// One row's check in a table of parse cases: the row's JSON is read into a
// record that already holds `before`, so that a member the reply lacks shows
// as its default, and must then equal the row's expected record.
using ParseCheck = std::function<void(const QByteArray &json, const QByteArray &expected)>;
Q_DECLARE_METATYPE(ParseCheck)

template<typename Record>
ParseCheck parsing(void (*parse)(const QJsonObject &, Record &), const QByteArray &before = "{}")
{
    return [parse, before](const QByteArray &json, const QByteArray &expected) {
        Record parsed = record<Record>(before);
        parse(jsonObject(json), parsed);
        QCOMPARE(parsed, record<Record>(expected));
    };
}

// The columns of a table of parse cases: the check, the JSON it reads and
// the record it expects, written as JSON too.
inline void addParseColumns()
{
    QTest::addColumn<ParseCheck>("check");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QByteArray>("expected");
}

// Runs the check of the table's current row.
inline void checkParseRow()
{
    QFETCH(ParseCheck, check);
    QFETCH(QByteArray, json);
    QFETCH(QByteArray, expected);
    check(json, expected);
}

#endif // VHPD_RECORDTEXT_H
