#include "facadeprobe.h"
#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include <QtTest>

namespace {

VHQRSetting setting(const QString &id, int type, const QString &logo)
{
    VHQRSetting s;
    s.id = id;
    s.type = type;
    s.logo = logo;
    return s;
}

// "id:name" of each template, in order.
QStringList names(const QList<VHQRTemplate> &templates)
{
    QStringList result;
    for (const VHQRTemplate &t : templates)
        result.append(t.id + ":" + t.name);
    return result;
}

const QString settingsPath = apiPath("base-service/qrSettings");
const QString templatesPath = apiPath("base-service/projects/p1/qr_templates");
const QString printRecordsPath = apiPath("model-service/resource/r1/printRecords");

} // namespace

// The QR setting, label templates and print records: what goes over the
// wire, what the caller's arguments hold afterwards and how the facade's
// caches move.
class TestQRCodes : public FacadeTest
{
    Q_OBJECT
private slots:
    // Every request the operations make, in order. A QR setting of type 1 is
    // no change; a new template has type 0, a print record type 1.
    void requestsSent()
    {
        VHQRSetting s = setting("not sent", 1, "");
        facade().createProjectUserQRSetting(s);
        facade().getProjectUserQRSetting(s);
        s = setting("not sent", 2, "");
        facade().createProjectUserQRSetting(s);
        VHQRTemplate t = named<VHQRTemplate>("", "N");
        facade().createQRTemplate(t);
        t = named<VHQRTemplate>("t1", "N");
        t.modifiedFields = {VHQRTemplateField::Name};
        facade().updateQRTemplate(t);
        facade().createPrintRecord(records<VHPrintRecord>(
            R"([{"id":"not sent","logo":"L","properties":["a",""]},{"rId":"r1","type":4}])"));
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                R"(GET base-service/qrSettings?where={"hostId":"p1","userId":null})",
                R"(POST base-service/qrSettings {"hostId":"p1","type":2,"userId":"u1"})",
                R"(POST base-service/qr_templates {"data":[],"name":"N","projectId":"p1","type":0})",
                R"(PUT base-service/qr_templates/t1 {"name":"N"})",
                R"(POST model-service/printRecords [{"logo":"L","projectId":"p1","properties":["a",""],"rId":null,"type":1},{"logo":"","projectId":"p1","properties":[],"rId":"r1","type":4}])",
            }));
    }

    // Read until a read succeeds, then from memory; writes send only what
    // changed, and nothing when nothing did.
    void settingSequence()
    {
        m_server.once("GET", settingsPath, ScriptedReply::text(R"({"logo":"L"})", 500));
        m_server.once("GET", settingsPath,
                      ScriptedReply::text(R"({"_id":"s1","logo":"L0","type":2})"));
        VHQRSetting s;
        QVERIFY(!facade().getProjectUserQRSetting(s));
        QCOMPARE(s, setting("", 0, "L"));
        QCOMPARE(facadeState().m_qrSetting, s);
        QVERIFY(facade().getProjectUserQRSetting(s));
        s = VHQRSetting();
        QVERIFY(facade().getProjectUserQRSetting(s));
        QCOMPARE(s, setting("s1", 2, "L0"));
        VHQRSetting unchanged = setting("other", 2, "L0");
        QVERIFY(facade().updateProjectUserQRSetting(unchanged));
        QVERIFY(facade().createProjectUserQRSetting(unchanged));
        QCOMPARE(unchanged, s);
        QCOMPARE(m_server.requestCount(), 2);

        // A setting saved without a logo reads with the logo first loaded.
        m_server.once("PUT", settingsPath + "/s1", ScriptedReply::text(R"({"_id":"s1","type":2})"));
        VHQRSetting cleared = setting("s1", 2, "");
        QVERIFY(facade().updateProjectUserQRSetting(cleared));
        QCOMPARE(m_server.lastRequest().compactBody(),
                 QString(R"({"hostId":"p1","logo":"","userId":"u1"})"));
        QCOMPARE(facadeState().m_qrSetting, setting("s1", 2, ""));
        QVERIFY(facade().getProjectUserQRSetting(s));
        QCOMPARE(s, setting("s1", 2, "L0"));

        // A failed write overwrites the caller's record, not the cache.
        m_server.once("POST", settingsPath, ScriptedReply::text(R"({"logo":"X"})", 500));
        VHQRSetting retyped = setting("s1", 5, "");
        QVERIFY(!facade().createProjectUserQRSetting(retyped));
        QCOMPARE(retyped, setting("", 0, "X"));
        QCOMPARE(facadeState().m_qrSetting, setting("s1", 2, ""));
    }

    // Load, create, update and delete keep the one template cache current;
    // parsed items are no properties unless the reply says so.
    void templateSequence()
    {
        VHQRTemplate found = named<VHQRTemplate>("keep", "keep");
        QVERIFY(!facade().getQRTemplateById("t1", found));
        QCOMPARE(found.id, QString("keep"));

        m_server.once("GET", templatesPath, ScriptedReply::text(R"([
            {"_id":"t1","name":"label 10"},{"_id":"t2","name":"Label 2"},{"_id":"t3","name":"b"}])"));
        QList<VHQRTemplate> templates;
        QVERIFY(facade().getQRTemplates(templates));
        QCOMPARE(names(templates), QStringList({"t3:b", "t2:Label 2", "t1:label 10"}));
        QVERIFY(facade().getQRTemplateById("t1", found));
        QCOMPARE(found.name, QString("label 10"));

        m_server.once("POST", apiPath("base-service/qr_templates"),
                      ScriptedReply::text(R"({"_id":"t4","name":"a"})"));
        VHQRTemplate created = named<VHQRTemplate>("", "a");
        QVERIFY(facade().createQRTemplate(created));
        QCOMPARE(names(facadeState().m_qrTemplates).last(), QString("t4:a"));

        m_server.once("PUT", apiPath("base-service/qr_templates/t1"),
                      ScriptedReply::text(R"({"_id":"t1","name":"label 10","type":7,
                                              "data":[{"key":"k"},{"property":true}]})"));
        VHQRTemplate updated =
            record<VHQRTemplate>(R"({"id":"t1","name":"ignored","data":[{"key":"k"}]})");
        updated.modifiedFields = {VHQRTemplateField::Data};
        QVERIFY(facade().updateQRTemplate(updated));
        QCOMPARE(m_server.lastRequest().compactBody(),
                 QString(R"({"data":[{"key":"k","property":true,"value":""}]})"));
        QCOMPARE(updated, record<VHQRTemplate>(R"({"id":"t1","name":"label 10","type":7,
            "data":[{"key":"k","property":false},{}]})"));

        m_server.once("DELETE", apiPath("base-service/qr_templates/t2"), ScriptedReply::text("{}"));
        QVERIFY(facade().deleteQRTemplate("t2"));

        templates = {named<VHQRTemplate>("caller", "z")};
        QVERIFY(facade().getQRTemplates(templates));
        QCOMPARE(names(templates), QStringList({"t4:a", "t3:b", "t1:label 10"}));
        QCOMPARE(templates.last().type, 7);
        QCOMPARE(m_server.requestCount(), 4);

        // Failed changes leave the cache alone.
        VHQRTemplate failed = named<VHQRTemplate>("t3", "renamed");
        failed.modifiedFields = {VHQRTemplateField::Name};
        QVERIFY(!facade().updateQRTemplate(failed));
        QVERIFY(!facade().deleteQRTemplate("t3"));
        QVERIFY(!facade().createQRTemplate(failed));
        QCOMPARE(names(facadeState().m_qrTemplates), QStringList({"t3:b", "t1:label 10", "t4:a"}));
    }

    // A failed load still becomes the cache, flagged as not loaded, so the
    // next call loads again; the caller's list is added to, not replaced.
    void failedTemplateLoad()
    {
        m_server.once("GET", templatesPath,
                      ScriptedReply::text(R"([{"_id":"t1","name":"x"}])", 500));
        m_server.once("GET", templatesPath, ScriptedReply::text(R"([{"_id":"t2","name":"y"}])"));
        QList<VHQRTemplate> templates{named<VHQRTemplate>("mine", "z")};
        QVERIFY(!facade().getQRTemplates(templates));
        QCOMPARE(names(templates), QStringList({"t1:x", "mine:z"}));
        QCOMPARE(names(facadeState().m_qrTemplates), names(templates));
        QVERIFY(!facadeState().m_qrTemplatesLoaded);
        templates.clear();
        QVERIFY(facade().getQRTemplates(templates));
        QCOMPARE(names(templates), QStringList{"t2:y"});
    }

    // Listed newest first, remembered by id; an unknown id yields, and
    // leaves behind, a default record; a failed read keeps the cache.
    void printRecords()
    {
        m_server.once("GET", printRecordsPath, ScriptedReply::text(R"([
            {"_id":"a","createdAt":"2024-01-01T00:00:00.000Z"},
            {"_id":"b","createdAt":"2024-03-01T00:00:00.000Z","type":2,"rId":"r1",
             "logo":"L","createdBy":"u2","properties":["x"]},
            {"_id":"c","createdAt":"2024-02-01T00:00:00.000Z"}])"));
        QList<VHPrintRecord> records;
        QVERIFY(facade().getResourcePrintRecord("r1", records));
        QCOMPARE(idsOf(records), QStringList({"b", "c", "a"}));
        QCOMPARE(facadeState().m_printRecords.keys(), QStringList({"a", "b", "c"}));
        VHPrintRecord record;
        QVERIFY(facade().getPrintRecord("b", record));
        QCOMPARE(record, ::record<VHPrintRecord>(R"({"id":"b","rId":"r1","logo":"L","type":2,
            "properties":["x"],"createdAt":"2024-03-01T00:00:00.000Z","createdBy":"u2"})"));
        QVERIFY(facade().getPrintRecord("zz", record));
        QCOMPARE(record, VHPrintRecord());

        m_server.once("GET", printRecordsPath, ScriptedReply::text(R"([{"_id":"d"}])", 500));
        QVERIFY(!facade().getResourcePrintRecord("r1", records));
        QCOMPARE(idsOf(records), QStringList{"d"});
        QCOMPARE(facadeState().m_printRecords.keys(), QStringList({"a", "b", "c", "zz"}));
    }
};

QTEST_GUILESS_MAIN(TestQRCodes)
#include "tst_qrcodes.moc"
