#include "projecttesting.h"
#include "testserver.h"

#include "projects/configurationcodec.h"

#include "VHPrimaryData.h"

#include <QJsonDocument>
#include <QtTest>

Q_DECLARE_METATYPE(VHModule)

namespace {

QString moduleText(const VHModule &m)
{
    const auto flag = [](bool b) { return QString(b ? "true" : "false"); };
    return QStringList{"id=" + m.id,
                       "name=" + m.name,
                       "i18nName=" + m.i18nName,
                       "key=" + m.key,
                       "category=" + m.category,
                       "icon=" + m.icon,
                       "value=" + flag(m.value),
                       "internal=" + flag(m.internal),
                       "enable=" + flag(m.enable),
                       "statistics=" + flag(m.statistics)}
        .join('\n');
}

// Each period's properties as "key=value" pairs joined by commas.
QStringList periodsText(const QList<VHPeriod> &periods)
{
    QStringList texts;
    for (const VHPeriod &period : periods) {
        QStringList pairs;
        for (auto it = period.properties.cbegin(); it != period.properties.cend(); ++it)
            pairs << it.key() + '=' + it.value();
        texts << pairs.join(',');
    }
    return texts;
}

} // namespace

// Encoding pairs and rules, modules, module groups and periods.
class TestConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
    }

    void parseModule_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<VHModule>("expected");
        QTest::newRow("empty object") << QByteArray("{}") << VHModule();

        VHModule full;
        full.id = "m1";
        full.name = "Quality";
        full.i18nName = "Quality check";
        full.key = "quality";
        full.category = "site";
        full.icon = "q.svg";
        full.value = false;
        full.internal = true;
        full.enable = false;
        full.statistics = true;
        QTest::newRow("every member") << QByteArray(R"({
            "_id":"m1","nickName":"Quality","name":"QA","i18n":{"en_US":"Quality check",
            "zh_CN":"x"},"key":"quality","category":"site","icon":"q.svg","value":false,
            "internal":true,"enable":false,"statistics":true})")
                                      << full;

        VHModule byName;
        byName.name = "QA";
        QTest::newRow("no nickname") << QByteArray(R"({"name":"QA"})") << byName;
        QTest::newRow("empty nickname") << QByteArray(R"({"nickName":"","name":"QA"})") << byName;
        QTest::newRow("nickname that is not text")
            << QByteArray(R"({"nickName":3,"name":"QA"})") << byName;

        QTest::newRow("flags that are not booleans") << QByteArray(R"({
            "value":"false","internal":1,"enable":0,"statistics":"true","i18n":"English"})")
                                                     << VHModule();
    }
    void parseModule()
    {
        QFETCH(QByteArray, json);
        QFETCH(VHModule, expected);
        VHModule parsed;
        ::parseModule(objectFrom(json), parsed);
        QCOMPARE(moduleText(parsed), moduleText(expected));
    }

    void parseModuleGroup()
    {
        VHModuleGroup group;
        ::parseModuleGroup(objectFrom(R"({"_id":"g1","name":"Site","parentId":"g0","type":"menu",
            "i18n":{"en_US":"Site work"},"module":{"_id":"m1","name":"QA","value":false}})"),
                           group);
        QCOMPARE(group.id, QString("g1"));
        QCOMPARE(group.name, QString("Site"));
        QCOMPARE(group.parentId, QString("g0"));
        QCOMPARE(group.type, QString("menu"));
        QCOMPARE(group.i18nName, QString("Site work"));
        VHModule module;
        module.id = "m1";
        module.name = "QA";
        module.value = false;
        QCOMPARE(moduleText(group.module), moduleText(module));

        // A numeric type is not text; a missing module is a default one.
        ::parseModuleGroup(objectFrom(R"({"type":2})"), group);
        QCOMPARE(group.type, QString());
        QCOMPARE(group.id, QString());
        QCOMPARE(moduleText(group.module), moduleText(VHModule()));
    }

    void parsePeriods_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("periods");
        QTest::newRow("text values") << QByteArray(R"([
            {"_id":"x","properties":[{"key":"start","value":"2026-01"},{"key":"end","value":"2026-06"}]},
            {"properties":[{"key":"name","value":"Phase 2"}]}])")
                                     << QStringList{"end=2026-06,start=2026-01", "name=Phase 2"};
        QTest::newRow("numbers") << QByteArray(R"([{"properties":[
            {"key":"a","value":2.5},{"key":"b","value":1234567},{"key":"c","value":7},
            {"key":"d","value":0.0001234567}]}])")
                                 << QStringList{"a=2.5,b=1.23457e+06,c=7,d=0.000123457"};
        QTest::newRow("missing, empty and other values") << QByteArray(R"([{"properties":[
            {"key":"a"},{"key":"b","value":""},{"key":"c","value":true},{"key":"d","value":null}]}])")
                                                         << QStringList{"a=0,b=0,c=0,d=0"};
        QTest::newRow("the later of two equal keys")
            << QByteArray(R"([{"properties":[{"key":"a","value":"1"},{"key":"a","value":"2"}]}])")
            << QStringList{"a=2"};
        QTest::newRow("property without key")
            << QByteArray(R"([{"properties":[{"value":"v"}]}])") << QStringList{"=v"};
        QTest::newRow("elements without properties")
            << QByteArray(R"([{},"x",{"properties":"a"}])") << QStringList{"", "", ""};
        QTest::newRow("empty array") << QByteArray("[]") << QStringList();
    }
    void parsePeriods()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, periods);
        QList<VHPeriod> parsed;
        ::parsePeriods(QJsonDocument::fromJson(json).array(), parsed);
        QCOMPARE(periodsText(parsed), periods);
    }

    void encodingPairsAndRulesAppend()
    {
        m_server.on("GET", "/v1/account-service/projects/p1/encodingpairs",
                    ScriptedReply::text(R"([{"_id":"e1","key":"B","value":"Building"}])"));
        m_server.on("GET", "/v1/account-service/projects/p1/encodingrules",
                    ScriptedReply::text(R"([{"_id":"r1","rule":"B-F","separator":"-"}])"));
        QList<VHEncodePair> pairs{VHEncodePair()};
        QVERIFY(facade()->getProjectEncodePair(pairs));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p1/encodingpairs"));
        QCOMPARE(pairs.size(), 2);
        QCOMPARE(pairs.at(1).id, QString("e1"));
        QCOMPARE(pairs.at(1).key, QString("B"));
        QCOMPARE(pairs.at(1).value, QString("Building"));

        QList<VHEncodeRule> rules{VHEncodeRule()};
        QVERIFY(facade()->getProjectEncodeRule(rules));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p1/encodingrules"));
        QCOMPARE(rules.size(), 2);
        QCOMPARE(rules.at(1).id, QString("r1"));
        QCOMPARE(rules.at(1).rule, QString("B-F"));
        QCOMPARE(rules.at(1).separator, QString("-"));
    }

    void modulesAppendAndGroupsReplace()
    {
        m_server.on("GET", "/v1/account-service/projects/p1/modules",
                    ScriptedReply::text(R"([{"_id":"m1","name":"QA"},{"_id":"m2"}])"));
        m_server.on("GET", "/v1/account-service/module_groups",
                    ScriptedReply::text(R"([{"_id":"g1","module":{"_id":"m1"}},{"_id":"g2"}])"));
        QList<VHModule> modules;
        QVERIFY(facade()->getModule(modules));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p1/modules?authorized=all"));
        QVERIFY(facade()->getModule(modules));
        QCOMPARE(modules.size(), 4);
        QCOMPARE(modules.at(2).name, QString("QA"));

        QList<VHModuleGroup> groups{VHModuleGroup()};
        QVERIFY(facade()->getModuleGroup(groups));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/module_groups?device=pc"));
        QVERIFY(facade()->getModuleGroup(groups));
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups.at(0).module.id, QString("m1"));
        QCOMPARE(groups.at(1).id, QString("g2"));
    }

    void periodsOfAnEntityCode()
    {
        const QString path = "/v1/ka-reth-service/velto/periods/E-01";
        m_server.on("GET", path,
                    ScriptedReply::text(R"([{"properties":[{"key":"a","value":2.5}]}])"));
        QList<VHPeriod> periods;
        QVERIFY(facade()->getPeriodByEntityCode("E-01", periods));
        QVERIFY(facade()->getPeriodByEntityCode("E-01", periods));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + path);
        QCOMPARE(periodsText(periods), QStringList({"a=2.5", "a=2.5"}));
    }

    // A failed exchange: the module groups are empty, every other list keeps
    // what it held plus what the failed reply carried.
    void failures_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("added");
        QTest::newRow("no body") << QByteArray() << 0;
        QTest::newRow("not json") << QByteArray("<html>") << 0;
        QTest::newRow("records in the error reply") << QByteArray(R"([{"_id":"x"}])") << 1;
    }
    void failures()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, added);
        const ScriptedReply failure = ScriptedReply::text(body, 500);
        for (const char *path :
             {"account-service/projects/p1/encodingpairs",
              "account-service/projects/p1/encodingrules", "account-service/projects/p1/modules",
              "account-service/module_groups", "ka-reth-service/velto/periods/E"})
            m_server.on("GET", apiPath(path), failure);

        QList<VHEncodePair> pairs{VHEncodePair()};
        QVERIFY(!facade()->getProjectEncodePair(pairs));
        QCOMPARE(pairs.size(), 1 + added);
        QList<VHEncodeRule> rules{VHEncodeRule()};
        QVERIFY(!facade()->getProjectEncodeRule(rules));
        QCOMPARE(rules.size(), 1 + added);
        QList<VHModule> modules{VHModule()};
        QVERIFY(!facade()->getModule(modules));
        QCOMPARE(modules.size(), 1 + added);
        QList<VHModuleGroup> groups{VHModuleGroup()};
        QVERIFY(!facade()->getModuleGroup(groups));
        QCOMPARE(groups.size(), added);
        QList<VHPeriod> periods{VHPeriod()};
        QVERIFY(!facade()->getPeriodByEntityCode("E", periods));
        QCOMPARE(periods.size(), 1 + added);
        QCOMPARE(m_server.requestCount(), 5);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
