#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include "projects/configurationcodec.h"

#include <QJsonArray>
#include <QtTest>

// Encoding pairs and rules, modules, module groups and periods.
class TestConfiguration : public FacadeTest
{
    Q_OBJECT
private slots:
    void parseModule_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("every member") << QByteArray(R"({
            "_id":"m1","nickName":"Quality","name":"QA","i18n":{"en_US":"Quality check",
            "zh_CN":"x"},"key":"quality","category":"site","icon":"q.svg","value":false,
            "internal":true,"enable":false,"statistics":true})")
                                      << QByteArray(R"({"id":"m1","name":"Quality",
            "i18nName":"Quality check","key":"quality","category":"site","icon":"q.svg",
            "value":false,"internal":true,"enable":false,"statistics":true})");
        QTest::newRow("empty nickname")
            << QByteArray(R"({"nickName":"","name":"QA"})") << QByteArray(R"({"name":"QA"})");
        QTest::newRow("nickname that is not text")
            << QByteArray(R"({"nickName":3,"name":"QA"})") << QByteArray(R"({"name":"QA"})");
        QTest::newRow("flags that are not booleans") << QByteArray(R"({
            "value":"false","internal":1,"enable":0,"statistics":"true","i18n":"English"})")
                                                     << QByteArray("{}");
    }
    void parseModule()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHModule parsed;
        ::parseModule(jsonObject(json), parsed);
        QCOMPARE(parsed, record<VHModule>(expected));
    }

    void parseModuleGroup()
    {
        VHModuleGroup group;
        ::parseModuleGroup(jsonObject(R"({"_id":"g1","name":"Site","parentId":"g0","type":"menu",
            "i18n":{"en_US":"Site work"},"module":{"_id":"m1","name":"QA","value":false}})"),
                           group);
        QCOMPARE(group, record<VHModuleGroup>(R"({"id":"g1","name":"Site","i18nName":"Site work",
            "parentId":"g0","type":"menu","module":{"id":"m1","name":"QA","value":false}})"));
        ::parseModuleGroup(jsonObject(R"({"type":2})"), group);
        QCOMPARE(group, VHModuleGroup());
    }

    void parsePeriods_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("periods");
        QTest::newRow("text values") << QByteArray(R"([
            {"_id":"x","properties":[{"key":"start","value":"2026-01"},{"key":"end","value":"2026-06"}]},
            {"properties":[{"key":"name","value":"Phase 2"}]}])")
                                     << QByteArray(R"([{"properties":{"end":"2026-06",
            "start":"2026-01"}},{"properties":{"name":"Phase 2"}}])");
        QTest::newRow("numbers") << QByteArray(R"([{"properties":[
            {"key":"a","value":2.5},{"key":"b","value":1234567},{"key":"c","value":7},
            {"key":"d","value":0.0001234567}]}])")
                                 << QByteArray(R"([{"properties":{"a":"2.5","b":"1.23457e+06",
            "c":"7","d":"0.000123457"}}])");
        QTest::newRow("missing, empty and other values")
            << QByteArray(R"([{"properties":[
            {"key":"a"},{"key":"b","value":""},{"key":"c","value":true},{"key":"d","value":null}]}])")
            << QByteArray(R"([{"properties":{"a":"0","b":"0","c":"0","d":"0"}}])");
        QTest::newRow("the later of two equal keys, a property without key")
            << QByteArray(R"([{"properties":[{"key":"a","value":"1"},{"key":"a","value":"2"},
                                             {"value":"v"}]}])")
            << QByteArray(R"([{"properties":{"":"v","a":"2"}}])");
        QTest::newRow("elements without properties")
            << QByteArray(R"([{},"x",{"properties":"a"}])") << QByteArray("[{},{},{}]");
    }
    void parsePeriods()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, periods);
        QList<VHPeriod> parsed;
        ::parsePeriods(QJsonDocument::fromJson(json).array(), parsed);
        QCOMPARE(parsed, records<VHPeriod>(periods));
    }

    // Every list appends in reply order but the module groups, which are
    // replaced; a failed reply's records count all the same.
    void listsFromTheServer()
    {
        const auto reply = [this](const char *path, const QByteArray &body) {
            m_server.on("GET", apiPath(path), ScriptedReply::text(body));
        };
        reply("account-service/projects/p1/encodingpairs",
              R"([{"_id":"e1","key":"B","value":"Building"}])");
        reply("account-service/projects/p1/encodingrules",
              R"([{"_id":"r1","rule":"B-F","separator":"-"}])");
        reply("account-service/projects/p1/modules", R"([{"_id":"m1","name":"QA"},{"_id":"m2"}])");
        reply("account-service/module_groups",
              R"([{"_id":"g1","module":{"_id":"m1"}},{"_id":"g2"}])");
        reply("ka-reth-service/velto/periods/E-01",
              R"([{"properties":[{"key":"a","value":2.5}]}])");

        QList<VHEncodePair> pairs{VHEncodePair()};
        QVERIFY(facade().getProjectEncodePair(pairs));
        QCOMPARE(pairs, records<VHEncodePair>(R"([{},{"id":"e1","key":"B","value":"Building"}])"));
        QList<VHEncodeRule> rules{VHEncodeRule()};
        QVERIFY(facade().getProjectEncodeRule(rules));
        QCOMPARE(rules, records<VHEncodeRule>(R"([{},{"id":"r1","rule":"B-F","separator":"-"}])"));
        QList<VHModule> modules{VHModule()};
        QVERIFY(facade().getModule(modules));
        QCOMPARE(idsOf(modules), QStringList({"", "m1", "m2"}));
        QList<VHModuleGroup> groups{VHModuleGroup()};
        QVERIFY(facade().getModuleGroup(groups));
        QVERIFY(facade().getModuleGroup(groups));
        QCOMPARE(idsOf(groups), QStringList({"g1", "g2"}));
        QCOMPARE(groups.at(0).module.id, QString("m1"));
        QList<VHPeriod> periods{VHPeriod()};
        QVERIFY(facade().getPeriodByEntityCode("E-01", periods));
        QCOMPARE(periods, records<VHPeriod>(R"([{},{"properties":{"a":"2.5"}}])"));
        QCOMPARE(requestLines(m_server),
                 QStringList({
                     "GET account-service/projects/p1/encodingpairs",
                     "GET account-service/projects/p1/encodingrules",
                     "GET account-service/projects/p1/modules?authorized=all",
                     "GET account-service/module_groups?device=pc",
                     "GET account-service/module_groups?device=pc",
                     "GET ka-reth-service/velto/periods/E-01",
                 }));

        m_server.reset();
        const ScriptedReply failure = ScriptedReply::text(R"([{"_id":"x"}])", 500);
        m_server.on("GET", apiPath("account-service/module_groups"), failure);
        m_server.on("GET", apiPath("ka-reth-service/velto/periods/E"), failure);
        QVERIFY(!facade().getModuleGroup(groups));
        QCOMPARE(idsOf(groups), QStringList{"x"});
        QVERIFY(!facade().getPeriodByEntityCode("E", periods));
        QCOMPARE(periods.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
