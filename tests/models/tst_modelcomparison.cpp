#include "testserver.h"

#include "VHPrimaryData.h"

#include <QtTest>

namespace {

VHPrimaryData &facade()
{
    return *VHPrimaryData::instance();
}

// "kind:uuid,uuid" per kind, in key order.
QString describe(const QMap<QString, QStringList> &diff)
{
    QStringList parts;
    for (auto it = diff.cbegin(); it != diff.cend(); ++it)
        parts << it.key() + ":" + it.value().join(',');
    return parts.join(' ');
}

QString describe(const VHEntityPropertyVersion &version)
{
    QStringList properties;
    for (const VHProperty &property : version.properties)
        properties << property.category + "/" + property.key + "=" + property.value;
    return QString("%1 #%2 %3 %4/%5 [%6]")
        .arg(version.name)
        .arg(version.entityId)
        .arg(version.floor)
        .arg(version.domain)
        .arg(version.category)
        .arg(properties.join(' '));
}

} // namespace

// What changed between two versions of a model, asked of the server each time.
class TestModelComparison : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
    }

    void changedEntities_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("diff");
        QTest::newRow("by kind, modifications by their kind")
            << 200
            << QByteArray(R"([{"uuid":"u1","status":"add"},{"uuid":"u2","status":"mod","diff":"d1"},
                {"uuid":"u3","status":"del"},{"uuid":"u4","status":"add"},
                {"uuid":"u5","status":"mod"},{"uuid":"u6","status":"moved","diff":"d2"}])")
            << ":u5 add:u1,u4 d1:u2 del:u3 moved:u6";
        QTest::newRow("no changes") << 200 << QByteArray("[]") << "";
        QTest::newRow("server error") << 500 << QByteArray("oops") << "";
    }
    void changedEntities()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, diff);
        m_server.on("GET", apiPath("model-service/models/m1/0/12/compare"),
                    ScriptedReply::text(reply, status));
        QMap<QString, QStringList> changes{{"add", {"earlier"}}};
        QCOMPARE(facade().getCompareModels("m1", 0, 12, changes), status == 200);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(describe(changes), diff);
    }

    void entityPropertiesSideBySide_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("compare");
        QTest::newRow("both versions")
            << 200 << QByteArray(R"({"property_base":{"name":"Wall","entityId":7,"floor":"F1",
                "domain":2,"category":3,"properties":[{"group":"G","key":"k","value":"v"}]},
                "property_compare":{"name":"Wall 2","properties":[]}})")
            << "Wall #7 F1 2/3 [G/k=v]"
            << "Wall 2 #0  0/0 []";
        QTest::newRow("server error") << 500 << QByteArray("oops") << " #0  0/0 []"
                                      << " #0  0/0 []";
    }
    void entityPropertiesSideBySide()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, base);
        QFETCH(QString, compare);
        m_server.on("GET", apiPath("model-service/models/m1/u1/2/3/compare"),
                    ScriptedReply::text(reply, status));
        VHEntityPropertyVersion baseVersion;
        baseVersion.name = "earlier";
        baseVersion.properties.append(VHProperty());
        VHEntityPropertyVersion compareVersion = baseVersion;
        QCOMPARE(facade().getCompareEntityProperty("m1", "u1", 2, 3, baseVersion, compareVersion),
                 status == 200);
        QCOMPARE(describe(baseVersion), base);
        QCOMPARE(describe(compareVersion), compare);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestModelComparison)
#include "tst_modelcomparison.moc"
