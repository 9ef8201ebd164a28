#include "facadeprobe.h"
#include "facadetest.h"
#include "recordtext.h"
#include "testserver.h"

#include <QtTest>

namespace {

using StringMap = QMap<QString, QString>;

const QString typesPath = apiPath("model-service/projects/p1/model_tag_types");
const QString tagsPath = apiPath("model-service/projects/p1/model_tags");
const QString authPath = apiPath("model-service/projects/p1/auth");

const QByteArray typesReply =
    R"([{"_id":"A","name":"Discipline"},{"_id":"B","default":true},{"_id":"C","tags":[{"_id":"t1"}]}])";
const QByteArray tagsReply = R"([{"_id":"t1","name":"Walls","type":"B"},
    {"_id":"t2","name":"Floors","type":"A"},{"_id":"t3","name":"Loose","type":"Z"},
    {"_id":"t4","name":"Roofs","type":"B"},{"_id":"t1","name":"Walls again","type":"A"}])";

} // namespace

// Tag types and tags, the tag index of models, and the user's edit rights.
class TestModelTags : public FacadeTest
{
    Q_OBJECT
private slots:
    // Types lead with the default ones and gather their tags (a type's own
    // list is not read); whatever arrived replaces the state, also after a
    // failed read.
    void initModelTags_data()
    {
        QTest::addColumn<int>("typesStatus");
        QTest::addColumn<int>("tagsStatus");
        QTest::addColumn<QByteArray>("types");
        QTest::addColumn<QStringList>("tags");
        const QStringList allTags{"t1", "t2", "t3", "t4", "t1"};
        QTest::newRow("both read")
            << 200 << 200 << QByteArray(R"([{"id":"B","isDefault":true,"tags":[
                {"id":"t1","name":"Walls","type":"B"},{"id":"t4","name":"Roofs","type":"B"}]},
                {"id":"A","name":"Discipline","tags":[{"id":"t2","name":"Floors","type":"A"},
                 {"id":"t1","name":"Walls again","type":"A"}]},{"id":"C"}])")
            << allTags;
        QTest::newRow("types fail") << 500 << 200 << QByteArray("[]") << allTags;
        QTest::newRow("tags fail")
            << 200 << 500
            << QByteArray(R"([{"id":"B","isDefault":true},{"id":"A","name":"Discipline"},
                             {"id":"C"}])")
            << QStringList();
    }
    void initModelTags()
    {
        QFETCH(int, typesStatus);
        QFETCH(int, tagsStatus);
        QFETCH(QByteArray, types);
        QFETCH(QStringList, tags);
        facadeState().m_tagTypeByTagId.insert("old", "O");
        facadeState().m_modelTags.append(VHModelTag());
        m_server.on("GET", typesPath,
                    ScriptedReply::text(typesStatus == 200 ? typesReply : "oops", typesStatus));
        m_server.on("GET", tagsPath,
                    ScriptedReply::text(tagsStatus == 200 ? tagsReply : "oops", tagsStatus));
        QCOMPARE(facade().initModelTags(), typesStatus == 200 && tagsStatus == 200);
        QCOMPARE(m_server.lastRequest().rawQuery, QString("auth=read"));
        QCOMPARE(facadeState().m_modelTagTypes, records<VHModelTagType>(types));
        QCOMPARE(idsOf(facadeState().m_modelTags), tags);
        // A later tag of the same id wins.
        const bool tagsRead = !tags.isEmpty();
        const StringMap typeByTag{{"t1", "A"}, {"t2", "A"}, {"t3", "Z"}, {"t4", "B"}};
        QCOMPARE(facadeState().m_tagTypeByTagId, tagsRead ? typeByTag : StringMap());
        QCOMPARE(facade().getModelTagNameById("t1"), QString(tagsRead ? "Walls again" : ""));
    }

    void modelTagIndex()
    {
        m_server.on("GET", typesPath, ScriptedReply::text(typesReply));
        m_server.on("GET", tagsPath, ScriptedReply::text(tagsReply));
        VHModel model = record<VHModel>(
            R"({"tags":["t1","t4","t2","x1","x2"],"mapModelTag":{"earlier":"e1"}})");
        facade().fillModelMapModelTag(model);
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(model.mapModelTag,
                 (StringMap{{"earlier", "e1"}, {"A", "t2"}, {"B", "t4"}, {"", "x2"}}));
        QCOMPARE(facadeState().m_tagTypeByTagId.value("x1", "absent"), QString());

        // Once loaded, the index is built from memory.
        facade().fillModelMapModelTag(model);
        QCOMPARE(m_server.requestCount(), 2);
    }

    // A tag index left non-empty by unknown tags stops further loads even when
    // the tags could not be read.
    void unknownTagsAfterAFailedLoad()
    {
        m_server.on("GET", typesPath, ScriptedReply::text("", 500));
        m_server.on("GET", tagsPath, ScriptedReply::text("", 500));
        VHModel model = record<VHModel>(R"({"tags":["t1"]})");
        facade().fillModelMapModelTag(model);
        QCOMPARE(model.mapModelTag, (StringMap{{"", "t1"}}));
        QCOMPARE(facadeState().m_tagTypeByTagId, (StringMap{{"t1", ""}}));
        facade().fillModelMapModelTag(model);
        QCOMPARE(m_server.requestCount(), 2);
        // The lists stay empty, so the look-ups that test them load again.
        QList<VHModelTag> tags;
        QVERIFY(facade().getModelTags(tags));
        QVERIFY(tags.isEmpty());
        QCOMPARE(m_server.requestCount(), 4);
    }

    void lookUps()
    {
        // These two never load.
        VHModelTagType type;
        QVERIFY(!facade().getModeTagTypeById("A", type));
        QCOMPARE(facade().getModelTagNameById("t1"), QString());
        QCOMPARE(m_server.requestCount(), 0);

        // An empty project is asked again on every look-up, yet answers true.
        m_server.on("GET", typesPath, ScriptedReply::text("[]"));
        m_server.on("GET", tagsPath, ScriptedReply::text("[]"));
        QVERIFY(facade().getModelTagTypes(ignored<QList<VHModelTagType>>()));
        QVERIFY(facade().getModelTagTypes(ignored<QList<VHModelTagType>>()));
        QCOMPARE(m_server.requestCount(), 4);

        m_server.on("GET", typesPath, ScriptedReply::text(typesReply));
        m_server.on("GET", tagsPath, ScriptedReply::text(tagsReply));
        VHModelTag tag;
        QVERIFY(facade().getModelTagById("t1", tag));
        QCOMPARE(tag.name, QString("Walls"));
        QVERIFY(!facade().getModelTagById("unknown", tag));
        QCOMPARE(tag.name, QString("Walls"));
        QVERIFY(facade().getModeTagTypeById("A", type));
        QCOMPARE(idsOf(type.tags), QStringList({"t2", "t1"}));
        QCOMPARE(m_server.requestCount(), 6);
    }

    // Each row: the auth reply, then the tag lists asked about, each with its
    // expected answer ("t1,t2=1").
    void editRights_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("canEdit");
        QTest::addColumn<QStringList>("questions");
        const QByteArray mixed =
            R"({"value":"true","items":[{"rId":"t1","value":"false"},{"rId":"t2","value":"true"},
                {"rId":"t3","value":true},{"rId":"t2","value":"yes"}]})";
        QTest::newRow("overall right, restricted per tag")
            << 200 << mixed << true << QStringList{"=1", "t1=0", "t9=1", "t9,t1=0", "t3=0", "t2=0"};
        QTest::newRow("boolean true is no right")
            << 200 << QByteArray(R"({"value":true,"items":[{"rId":"t1","value":"true"}]})") << false
            << QStringList{"=0", "t1=0"};
        QTest::newRow("refusal with rights") << 403 << mixed << true << QStringList{"t1=0"};
    }
    void editRights()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, canEdit);
        QFETCH(QStringList, questions);
        facadeState().m_canEditModel = true;
        facadeState().m_tagEditRights.insert("t9", false);
        m_server.on("GET", authPath, ScriptedReply::text(reply, status));
        QCOMPARE(facade().initModelAuth(), status == 200);
        QCOMPARE(m_server.lastRequest().rawQuery, QString("key=edit"));
        QCOMPARE(facade().canEditModel(), canEdit);
        for (const QString &question : questions) {
            const QStringList parts = question.split('=');
            const QStringList tagIds = parts[0].split(',', Qt::SkipEmptyParts);
            QCOMPARE(facade().canEditTagModel(tagIds), parts[1] == "1");
        }
    }
};

QTEST_GUILESS_MAIN(TestModelTags)
#include "tst_modeltags.moc"
