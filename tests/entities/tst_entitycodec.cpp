#include "core/requestframe.h"
#include "entities/entitycodec.h"
#include "jsontext.h"

#include "VHPublicFun.h"
#include "VHSoftBase.h"

#include <QJsonDocument>
#include <QtTest>

using RequestFrame::compactJson;

namespace {

// Every field of the entity on one line, in declaration order.
QString describe(const VHEntity &e)
{
    return QStringList{e.id,
                       e.uuid,
                       e.model,
                       e.modelId,
                       e.qrCode,
                       e.printed ? "printed" : "-",
                       e.clientFlag ? "flag" : "-",
                       e.name,
                       e.entityId,
                       e.floor,
                       e.domainText,
                       e.clientText,
                       QString::number(e.domain),
                       QString::number(e.category),
                       VHPub::getQStringByDateTime(e.printedAt),
                       e.printedBy}
        .join('|');
}

// The tree on one line: model, group flag, then each floor with its domains
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

QString describe(const VHEntityPropertyVersion &v)
{
    QStringList parts{v.name, QString::number(v.entityId), v.floor, QString::number(v.category),
                      QString::number(v.domain)};
    for (const VHProperty &property : v.properties)
        parts.append(property.category + "/" + property.key + "=" + property.value);
    return parts.join('|');
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
        QTest::addColumn<QString>("expected");
        // The caller's flag and text and the read-by-id domain text survive.
        QTest::newRow("every member")
            << QByteArray(R"({"_id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2","projectId":"p1"})")
            << "e1|g1|Tower|m1|QR-1|printed|flag|Beam 7|1042|F2|A1|mine|3|12|"
               "2024-02-29T12:00:00.000Z|u2";
        QTest::newRow("empty object") << QByteArray("{}") << "|||||-|flag||||A1|mine|0|0||";
        QTest::newRow("wrong types")
            << QByteArray(R"({"_id":1,"uuid":null,"model":{},"modelId":[],"qrCode":true,
                "printed":"true","name":2,"entityId":1042,"floor":{"name":"F2"},
                "domain":"A1","category":"12","printedAt":1709208000,"printedBy":["u2"]})")
            << "|||||-|flag||||A1|mine|0|0||";
    }
    void parseEntity()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        VHEntity entity;
        ::parseEntity(object(R"({"_id":"stale","printed":true,"domain":9,"printedBy":"x"})"),
                      entity);
        entity.clientFlag = true;
        entity.clientText = "mine";
        entity.domainText = "A1";
        ::parseEntity(object(json), entity);
        QCOMPARE(describe(entity), expected);
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
        ::parseEntity(object(R"({"_id":"e1","name":"not sent","printed":true})"), entity);
        entity.uuid = uuid;
        entity.modelId = modelId;
        QCOMPARE(compactJson(entityToJson(entity)), expected);
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
        QTest::addColumn<QString>("expected");
        QTest::newRow("every member, category read from group")
            << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"group":"Size","key":"Length","value":"4.2"},
                {"group":"Id","category":"ignored","key":"Mark","value":7}]})")
            << "Beam|1042|F1|12|3|Size/Length=4.2|Id/Mark=";
        QTest::newRow("empty object") << QByteArray("{}") << "|0||0|0";
        QTest::newRow("wrong types")
            << QByteArray(R"({"name":1,"entityId":"1042","floor":null,"category":true,
                "domain":[3],"properties":{"group":"Size"}})")
            << "|0||0|0";
        QTest::newRow("property that is not an object")
            << QByteArray(R"({"properties":["Length"]})") << "|0||0|0|/=";
    }
    void parseEntityPropertyVersion()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        VHEntityPropertyVersion version;
        ::parseEntityPropertyVersion(
            object(R"({"name":"stale","properties":[{"group":"Old","key":"k"}]})"), version);
        ::parseEntityPropertyVersion(object(json), version);
        QCOMPARE(describe(version), expected);
    }

    void properties()
    {
        VHEntityPropertyVersion holder;
        holder.properties = {
            parseProperty(object(R"({"category":"Size","key":"Length","value":"4.2"})")),
            parseProperty(object(R"({"group":"Size","key":"n","value":4.2})"))};
        QCOMPARE(describe(holder), QString("|0||0|0|Size/Length=4.2|/n="));
        QCOMPARE(compactJson(propertyToJson(holder.properties.at(0))),
                 QString(R"({"category":"Size","key":"Length","value":"4.2"})"));
        // Empty texts are sent as texts, not as null.
        QCOMPARE(compactJson(propertyToJson(VHProperty())),
                 QString(R"({"category":"","key":"","value":""})"));
    }
};

QTEST_GUILESS_MAIN(TestEntityCodec)
#include "tst_entitycodec.moc"
