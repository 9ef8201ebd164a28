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

    // Each version is read from its own member, whatever the status says.
    void entityPropertiesSideBySide_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("names");
        const QByteArray versions = R"({"property_base":{"name":"Wall","properties":[{}]},
            "property_compare":{"name":"Wall 2"}})";
        QTest::newRow("both versions") << 200 << versions << QStringList{"Wall", "Wall 2"};
        QTest::newRow("refused with a body") << 403 << versions << QStringList{"Wall", "Wall 2"};
        QTest::newRow("server error") << 500 << QByteArray("oops") << QStringList{"", ""};
    }
    void entityPropertiesSideBySide()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, names);
        m_server.on("GET", apiPath("model-service/models/m1/u1/2/3/compare"),
                    ScriptedReply::text(reply, status));
        VHEntityPropertyVersion base;
        base.name = "earlier";
        VHEntityPropertyVersion compare = base;
        compare.properties.append(VHProperty());
        QCOMPARE(facade().getCompareEntityProperty("m1", "u1", 2, 3, base, compare), status == 200);
        QCOMPARE((QStringList{base.name, compare.name}), names);
        QCOMPARE(base.properties.size(), names.first().isEmpty() ? 0 : 1);
        QVERIFY(compare.properties.isEmpty());
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestModelComparison)
#include "tst_modelcomparison.moc"
