#include "entities/entitycodec.h"

#include "VHSoftBase.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonObject object(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        qFatal("test JSON is not an object: %s", json.constData());
    return document.object();
}

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// The tree in one line: model, group flag, then each floor with its domains
// and their categories, e.g. "m1 group F1[2:5,7] F2[]".
QString describe(const VHEntityTree &tree)
{
    QStringList parts{tree.modelId + (tree.group ? " group" : "")};
    for (const VHEntityTreeFloor &floor : tree.floors) {
        QStringList domains;
        for (const VHEntityTreeDomain &domain : floor.domains) {
            QStringList categories;
            for (int category : domain.categories)
                categories.append(QString::number(category));
            domains.append(QString::number(domain.domain) + ":" + categories.join(','));
        }
        parts.append(floor.floor + "[" + domains.join(' ') + "]");
    }
    return parts.join(' ');
}

QString describe(const QList<VHProperty> &properties)
{
    QStringList parts;
    for (const VHProperty &property : properties)
        parts.append(property.category + "/" + property.key + "=" + property.value);
    return parts.join(' ');
}

} // namespace

// Entity, entity-tree and property JSON as the model service sends it,
// including members it leaves out or sends with another type.
class TestEntityCodec : public QObject
{
    Q_OBJECT
private slots:
    void parseEntity_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>(
            "texts"); // id uuid model modelId qrCode name entityId floor printedBy
        QTest::addColumn<bool>("printed");
        QTest::addColumn<int>("domain");
        QTest::addColumn<int>("category");
        QTest::addColumn<QDateTime>("printedAt");
        const QStringList noTexts{"", "", "", "", "", "", "", "", ""};

        QTest::newRow("every member")
            << QByteArray(R"({"_id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2","projectId":"p1"})")
            << QStringList{"e1", "g1", "Tower", "m1", "QR-1", "Beam 7", "1042", "F2", "u2"} << true
            << 3 << 12 << QDateTime(QDate(2024, 2, 29), QTime(12, 0), Qt::UTC);
        QTest::newRow("empty object")
            << QByteArray("{}") << noTexts << false << 0 << 0 << QDateTime();
        QTest::newRow("wrong types")
            << QByteArray(R"({"_id":1,"uuid":null,"model":{},"modelId":[],"qrCode":true,
                "printed":"true","name":2,"entityId":1042,"floor":{"name":"F2"},
                "domain":"A1","category":"12","printedAt":1709208000,"printedBy":["u2"]})")
            << noTexts << false << 0 << 0 << QDateTime();
    }
    void parseEntity()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, texts);
        QFETCH(bool, printed);
        QFETCH(int, domain);
        QFETCH(int, category);
        QFETCH(QDateTime, printedAt);

        VHEntity entity;
        entity.id = "stale";
        entity.printed = true;
        entity.domain = 9;
        entity.clientFlag = true;
        entity.clientText = "mine";
        entity.domainText = "A1";
        ::parseEntity(object(json), entity);

        QCOMPARE((QStringList{entity.id, entity.uuid, entity.model, entity.modelId, entity.qrCode,
                              entity.name, entity.entityId, entity.floor, entity.printedBy}),
                 texts);
        QCOMPARE(entity.printed, printed);
        QCOMPARE(entity.domain, domain);
        QCOMPARE(entity.category, category);
        QCOMPARE(entity.printedAt, printedAt);
        // What the caller and the read by id put there stays.
        QCOMPARE(entity.clientFlag, true);
        QCOMPARE(entity.clientText, QString("mine"));
        QCOMPARE(entity.domainText, QString("A1"));
    }

    void entityBody_data()
    {
        QTest::addColumn<QString>("projectId");
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("modelId");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all known") << "p1"
                                   << "g1"
                                   << "m1"
                                   << R"({"modelId":"m1","projectId":"p1","uuid":"g1"})";
        QTest::newRow("no uuid") << "p1"
                                 << ""
                                 << "m1"
                                 << R"({"modelId":"m1","projectId":"p1","uuid":null})";
        QTest::newRow("nothing known") << ""
                                       << ""
                                       << ""
                                       << R"({"modelId":null,"projectId":null,"uuid":null})";
    }
    void entityBody()
    {
        QFETCH(QString, projectId);
        QFETCH(QString, uuid);
        QFETCH(QString, modelId);
        QFETCH(QString, expected);
        GetSoftCache()->setCurrentProjectId(projectId);
        VHEntity entity;
        entity.id = "e1";
        entity.uuid = uuid;
        entity.modelId = modelId;
        entity.name = "not sent";
        entity.printed = true;
        QCOMPARE(compact(entityToJson(entity)), expected);
    }

    void parseEntityTree_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::newRow("floors, domains, categories")
            << QByteArray(R"({"modelId":"m1","group":true,"floors":[
                {"floor":"F1","domains":[{"domain":2,"categories":[{"category":5},{"category":7}]},
                                         {"domain":3}]},
                {"floor":"F2","domains":[]}]})")
            << "m1 group F1[2:5,7 3:] F2[]";
        QTest::newRow("empty object") << QByteArray("{}") << "";
        QTest::newRow("categories as bare numbers")
            << QByteArray(R"({"modelId":"m1","floors":[{"floor":"F1",
                "domains":[{"domain":2,"categories":[5,7]}]}]})")
            << "m1 F1[2:0,0]";
        QTest::newRow("floors as an object")
            << QByteArray(R"({"modelId":"m1","floors":{"floor":"F1"}})") << "m1";
        QTest::newRow("elements that are not objects")
            << QByteArray(R"({"modelId":"m1","floors":["F1",{"floor":"F2","domains":[2]}]})")
            << "m1 [] F2[0:]";
        QTest::newRow("wrong scalar types")
            << QByteArray(R"({"modelId":1,"group":"true","floors":[{"floor":3,
                "domains":[{"domain":"2","categories":[{"category":"5"}]}]}]})")
            << " [0:0]";
    }
    void parseEntityTree()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        // A reused tree: the reply replaces its floors but not the selection flag.
        VHEntityTree tree;
        ::parseEntityTree(object(R"({"modelId":"old","group":true,"floors":[{"floor":"X"}]})"),
                          tree);
        tree.wholeModel = true;
        ::parseEntityTree(object(json), tree);
        QCOMPARE(describe(tree), expected);
        QCOMPARE(tree.wholeModel, true);
    }

    void parseEntityPropertyVersion_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("numbers"); // entityId, category, domain
        QTest::addColumn<QString>("floor");
        QTest::addColumn<QString>("properties");
        QTest::newRow("every member")
            << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"group":"Size","key":"Length","value":"4.2"},
                {"group":"Id","category":"ignored","key":"Mark","value":7}]})")
            << "Beam" << QList<int>{1042, 12, 3} << "F1"
            << "Size/Length=4.2 Id/Mark=";
        QTest::newRow("empty object") << QByteArray("{}") << "" << QList<int>{0, 0, 0} << ""
                                      << "";
        QTest::newRow("wrong types")
            << QByteArray(R"({"name":1,"entityId":"1042","floor":null,"category":true,
                "domain":[3],"properties":{"group":"Size"}})")
            << "" << QList<int>{0, 0, 0} << ""
            << "";
        QTest::newRow("property that is not an object")
            << QByteArray(R"({"properties":["Length"]})") << "" << QList<int>{0, 0, 0} << ""
            << "/=";
    }
    void parseEntityPropertyVersion()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, name);
        QFETCH(QList<int>, numbers);
        QFETCH(QString, floor);
        QFETCH(QString, properties);
        VHEntityPropertyVersion version;
        version.name = "stale";
        version.entityId = 5;
        version.properties.append(VHProperty{"Old", "k", "v"});
        ::parseEntityPropertyVersion(object(json), version);
        QCOMPARE(version.name, name);
        QCOMPARE((QList<int>{version.entityId, version.category, version.domain}), numbers);
        QCOMPARE(version.floor, floor);
        QCOMPARE(describe(version.properties), properties);
    }

    void parseProperty_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every member")
            << QByteArray(R"({"category":"Size","key":"Length","value":"4.2"})")
            << "Size/Length=4.2";
        QTest::newRow("group is not the category here")
            << QByteArray(R"({"group":"Size","key":"Length"})") << "/Length=";
        QTest::newRow("empty object") << QByteArray("{}") << "/=";
        QTest::newRow("value as a number") << QByteArray(R"({"key":"n","value":4.2})") << "/n=";
    }
    void parseProperty()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QCOMPARE(describe({::parseProperty(object(json))}), expected);
    }

    void propertyBody_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every field") << QStringList{"Size", "Length", "4.2"}
                                     << R"({"category":"Size","key":"Length","value":"4.2"})";
        QTest::newRow("empty texts stay texts")
            << QStringList{"", "", ""} << R"({"category":"","key":"","value":""})";
    }
    void propertyBody()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, expected);
        const VHProperty property{fields.at(0), fields.at(1), fields.at(2)};
        QCOMPARE(compact(propertyToJson(property)), expected);
    }
};

QTEST_GUILESS_MAIN(TestEntityCodec)
#include "tst_entitycodec.moc"
