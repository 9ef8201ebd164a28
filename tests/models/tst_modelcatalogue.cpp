#include "facadetest.h"
#include "modelprobe.h"
#include "recordtext.h"
#include "testserver.h"

#include "VHSoftBase.h"

#include <QtTest>

namespace {

const QString modelsPath = apiPath("model-service/projects/p1/models");
const QString setsPath = apiPath("model-service/projects/p1/model_sets");

QString modelPath(const QString &id, const QString &below = QString())
{
    return apiPath("model-service/models/" + id + below);
}

QJsonObject modelJson(const QString &id, const QString &name = QString(), int version = 1)
{
    return QJsonObject{
        {"_id", id}, {"name", name}, {"version", version}, {"tags", QJsonArray{"t1"}}};
}

QJsonArray askedIds(const RecordedRequest &request)
{
    const QJsonObject where =
        QJsonDocument::fromJson(request.query.value("where").toUtf8()).object();
    return where.value("_id").toObject().value("$in").toArray();
}

// A model service whose project holds `current` (in its own, sorted order) and
// answers a read by ids with those asked for; a batch asking for `failing`
// gets a server error.
TestServer::Handler modelsByIds(const QStringList &current, const QString &failing = QString())
{
    return [current, failing](const RecordedRequest &request) {
        const QJsonArray asked = askedIds(request);
        if (!failing.isEmpty() && asked.contains(failing))
            return ScriptedReply::text("oops", 500);
        QStringList held = current;
        held.sort();
        QJsonArray answer;
        for (const QString &id : held) {
            if (asked.contains(id))
                answer.append(modelJson(id));
        }
        return ScriptedReply::json(answer);
    };
}

} // namespace

// The facade's model catalogue and model sets: what is asked of the server,
// what the caller receives, and what is remembered.
class TestModelCatalogue : public FacadeTest
{
    Q_OBJECT
private slots:
    void init()
    {
        FacadeTest::init();
        // Known tags, so that completing a model asks the server nothing.
        ModelProbe::tagTypeByTagId().insert("t1", "X");
    }

    void modelByIdIsRememberedOnlyWhenRead()
    {
        m_server.once("GET", modelPath("m1"), ScriptedReply::json(modelJson("m1", "One")));
        VHModel model;
        QVERIFY(facade().getModelById("m1", model, true));
        QCOMPARE(model.mapModelTag, (QMap<QString, QString>{{"X", "t1"}}));
        model = VHModel();
        QVERIFY(facade().getModelById("m1", model, true));
        QCOMPARE(model.mapModelTag.value("X"), QString("t1"));
        QCOMPARE(m_server.requestCount(), 1);

        // Asked afresh, a failed read keeps the remembered record.
        m_server.on("GET", modelPath("m1"), ScriptedReply::json(modelJson("m1", "New"), 500));
        QVERIFY(!facade().getModelById("m1", model, false));
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(ModelProbe::models().value("m1").name, QString("One"));
        QVERIFY(!facade().getModelById("m2", model, true));
        QCOMPARE(ModelProbe::models().keys(), QStringList{"m1"});
    }

    // The remembered current version answers; another one comes from the
    // history and is remembered; a missing one leaves a default record.
    void modelByVersion()
    {
        VHModel current;
        current.id = current.modelId = "m1";
        current.version = 3;
        ModelProbe::models().insert("m1", current);
        m_server.on("GET", modelPath("m1", "/histories"), [](const RecordedRequest &request) {
            QJsonArray entries;
            if (request.query.value("where") == "{\"version\":2}")
                entries.append(QJsonObject{{"_id", "h2"}, {"modelId", "m1"}, {"version", 2}});
            return ScriptedReply::json(entries);
        });
        QStringList seen;
        for (int version : {3, 2, 7}) {
            VHModel model;
            const bool found = facade().getModelByVersion("m1", version, model, true);
            seen << QString("%1 %2 %3").arg(int(found)).arg(model.id).arg(model.version);
        }
        QCOMPARE(seen, QStringList({"1 m1 3", "1 h2 2", "0  1"}));
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(ModelProbe::models().keys(), QStringList({"h2", "m1"}));
    }

    // Reads of several models ask at most 36 ids at a time, send every batch,
    // and keep nothing unless all of them succeeded.
    void modelsByIdsInBatches_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QList<int>>("batches");
        QTest::addColumn<bool>("result");
        QTest::newRow("no ids") << 0 << "" << QList<int>() << true;
        QTest::newRow("one full batch") << 36 << "" << QList<int>{36} << true;
        QTest::newRow("one more") << 37 << "" << QList<int>{36, 1} << true;
        QTest::newRow("three batches") << 73 << "" << QList<int>{36, 36, 1} << true;
        QTest::newRow("first batch fails") << 73 << "m0" << QList<int>{36, 36, 1} << false;
        QTest::newRow("last batch fails") << 37 << "m36" << QList<int>{36, 1} << false;
    }
    void modelsByIdsInBatches()
    {
        QFETCH(int, count);
        QFETCH(QString, failing);
        QFETCH(QList<int>, batches);
        QFETCH(bool, result);
        QStringList ids;
        for (int i = 0; i < count; ++i)
            ids << QString("m%1").arg(i);
        m_server.on("GET", modelsPath, modelsByIds(ids, failing));
        QList<VHModel> models{VHModel()};
        QCOMPARE(facade().getModelsByIds(ids, models), result);
        QList<int> sent;
        for (const RecordedRequest &request : m_server.requests())
            sent << askedIds(request).size();
        QCOMPARE(sent, batches);
        QCOMPARE(models.size(), result ? count : 0);
        QCOMPARE(ModelProbe::models().size(), models.size());
        if (count > 36 && result)
            QCOMPARE(models.at(36).id, QString("m36")); // batch after batch
    }

    // Sorted by name in natural order, the hidden ones left out on demand
    // but remembered all the same; a failure remembers nothing.
    void projectModels()
    {
        QJsonObject hidden = modelJson("3", "a");
        hidden.insert("authorized", false);
        const QJsonArray reply{modelJson("1", "b10"), modelJson("2", "B2"), hidden,
                               modelJson("4", "A1")};
        m_server.once("GET", modelsPath, ScriptedReply::json(reply));
        m_server.once("GET", modelsPath, ScriptedReply::json(reply));
        m_server.once("GET", modelsPath, ScriptedReply::json(reply, 500));
        QList<VHModel> models{VHModel()};
        QVERIFY(facade().getProjectModels(models, false));
        QCOMPARE(idsOf(models), QStringList({"3", "4", "2", "1"}));
        QVERIFY(facade().getProjectModels(models, true));
        QCOMPARE(idsOf(models), QStringList({"4", "2", "1"}));
        QCOMPARE(ModelProbe::models().size(), 4);
        ModelProbe::models().clear();
        QVERIFY(!facade().getProjectModels(models, true));
        QCOMPARE(idsOf(models), QStringList({"1", "2", "3", "4"}));
        QVERIFY(ModelProbe::models().isEmpty());
    }

    // Open models come from memory, else from the server, one record per id.
    void currentModelsAndNames()
    {
        VHModel remembered;
        remembered.id = "m1";
        remembered.name = "One";
        ModelProbe::models().insert("m1", remembered);
        m_server.on("GET", modelPath("m2"), ScriptedReply::json(modelJson("m2", "Two")));
        m_server.on("GET", modelPath("m3"), ScriptedReply::text("", 404));
        GetSoftCache()->setCurrentModelIds({"m1", "m2", "m3"});
        QList<VHModel> models{VHModel()};
        facade().getCurrentModels(models);
        QCOMPARE(idsOf(models), (QStringList{"m1", "m2", ""}));
        QVERIFY(models.at(2).authorized);
        QCOMPARE(models.at(1).mapModelTag.value("X"), QString("t1"));
        QCOMPARE(ModelProbe::models().keys(), (QStringList{"m1", "m2"}));
        QCOMPARE(m_server.requestCount(), 2);

        QCOMPARE(facade().getModelName("m2"), QString("Two"));
        QCOMPARE(m_server.requestCount(), 2);
        QStringList names{"stale"};
        facade().getModelNamesByModelIds({"m3", "m2", "m1"}, names);
        QCOMPARE(names, (QStringList{"Two", "One"}));
        QCOMPARE(m_server.requestCount(), 3);
    }

    // Each row: the caller's models as "id modelId version", the project's
    // current models, and the history entries as "modelId version id".
    void freshModels_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("histories");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all current, in the server's order")
            << QStringList{"b b 1", "a a 1"} << QStringList{"a", "b"} << QStringList() << ""
            << QStringList{"a", "b"};
        QTest::newRow("history entry found again, in the caller's order")
            << QStringList{"h1 a 2", "b b 1"} << QStringList{"b"} << QStringList{"a 2 h1"} << ""
            << QStringList{"h1", "b"};
        QTest::newRow("replaced model under a new id goes first")
            << QStringList{"b b 1", "a a 1"} << QStringList{"b"} << QStringList{"a 1 h9"} << ""
            << QStringList{"h9", "b"};
        QTest::newRow("found nowhere is dropped")
            << QStringList{"a a 1", "gone gone 1"} << QStringList{"a"} << QStringList() << ""
            << QStringList{"a"};
        QTest::newRow("failed read falls back on histories")
            << QStringList{"hb b 2", "ha a 1"} << QStringList{"a", "b"}
            << QStringList{"a 1 ha", "b 2 hb"} << "a" << QStringList{"hb", "ha"};
        QTest::newRow("nothing to refresh")
            << QStringList() << QStringList() << QStringList() << "" << QStringList();
    }
    void freshModels()
    {
        QFETCH(QStringList, input);
        QFETCH(QStringList, current);
        QFETCH(QStringList, histories);
        QFETCH(QString, failing);
        QFETCH(QStringList, expected);
        m_server.on("GET", modelsPath, modelsByIds(current, failing));
        for (const QString &history : histories) {
            const QStringList parts = history.split(' ');
            m_server.on(
                "GET", modelPath(parts[0], "/histories"),
                ScriptedReply::json(QJsonArray{QJsonObject{
                    {"_id", parts[2]}, {"modelId", parts[0]}, {"version", parts[1].toInt()}}}));
        }
        QList<VHModel> models;
        for (const QString &spec : input) {
            const QStringList parts = spec.split(' ');
            VHModel model;
            model.id = parts[0];
            model.modelId = parts[1];
            model.version = parts[2].toInt();
            models << model;
        }
        QVERIFY(facade().freshModels(models));
        QCOMPARE(idsOf(models), expected);
        for (const QString &id : expected)
            QVERIFY(ModelProbe::models().contains(id));
        if (input.isEmpty())
            QCOMPARE(m_server.requestCount(), 0);
    }

    void modelSets()
    {
        m_server.on("GET", setsPath, ScriptedReply::text(R"([{"_id":"s1","name":"One"}])"));
        QVERIFY(facade().isModelSetNameExist("A \"B\""));
        QCOMPARE(m_server.lastRequest().query.value("where"),
                 QString("{\"createdBy\":\"u1\",\"name\":\"A \\\"B\\\"\"}"));
        QCOMPARE(facade().getModelSetName("s1"), QString("One"));
        VHModelSet set;
        QVERIFY(facade().getModelSet("s1", set, true));
        QCOMPARE(m_server.requestCount(), 1);

        // A set never read is asked for; failed reads are not remembered.
        QCOMPARE(facade().getModelSetName("s3"), QString());
        const QString s3 = apiPath("model-service/model_sets/s3");
        m_server.once("GET", s3, ScriptedReply::text(R"({"_id":"s3","name":"Three"})", 500));
        QVERIFY(!facade().getModelSet("s3", set, true));
        // A failed search answers from what it carried but remembers nothing.
        m_server.on("GET", setsPath, ScriptedReply::text(R"([{"_id":"s4"}])", 500));
        QVERIFY(facade().isModelSetNameExist("A"));
        QCOMPARE(ModelProbe::modelSets().keys(), QStringList{"s1"});

        // The set's models follow it; only reading the set decides the result.
        m_server.on("GET", s3, ScriptedReply::text(R"({"_id":"s3","modelIds":["m1","m2"]})"));
        m_server.on("GET", modelsPath, modelsByIds({"m1"}));
        QList<VHModel> models;
        QVERIFY(facade().getModelSetModels("s3", models));
        QCOMPARE(idsOf(models), QStringList{"m1"});
        m_server.on("GET", modelsPath, modelsByIds({"m1"}, "m1"));
        QVERIFY(facade().getModelSetModels("s3", models));
        QVERIFY(models.isEmpty());
        QCOMPARE(ModelProbe::modelSets().keys(), (QStringList{"s1", "s3"}));
    }
};

QTEST_GUILESS_MAIN(TestModelCatalogue)
#include "tst_modelcatalogue.moc"
