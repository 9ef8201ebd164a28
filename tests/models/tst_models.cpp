#include "facadeprobe.h"
#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include "VHSoftBase.h"
#include "core/requestframe.h"
#include "models/modelcodec.h"
#include "models/modelservice.h"

#include <QTemporaryDir>
#include <QtTest>

using RequestFrame::compactJson;

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

VHModel stale()
{
    VHModel model;
    model.id = model.modelId = "stale";
    model.name = "old name";
    model.tags = QStringList{"t1"};
    model.mapModelTag.insert("type1", "t1");
    return model;
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

// Models, versions and model sets: their codec, the model service's requests
// and the facade's catalogue, i.e. what goes over the wire, what the caller
// receives and what is remembered.
class TestModels : public FacadeTest
{
    Q_OBJECT
private slots:
    void init()
    {
        FacadeTest::init();
        // Known tags, so that completing a model asks the server nothing.
        facadeState().m_tagTypeByTagId.insert("t1", "X");
    }

    // Each row parses into a record that already holds values: every field of
    // a model is replaced but the facade's tag index.
    void parse_data()
    {
        addParseColumns();
        const ParseCheck model = parsing(::parseModel, R"({"id":"m0","modelId":"m0","name":"A",
            "modelSize":9,"authorized":false,"version":4,"preprocessed":1,"tags":["t1"],
            "updatedAt":"2024-01-01T00:00:00.000Z","updatedBy":"u1","remark":"r","linkId":"l",
            "modelFile":"f","mapModelTag":{"type1":"t1"}})");
        QTest::newRow("model, history entry, every member")
            << model << QByteArray(R"({"_id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/t.dng","remark":"third","modelSize":123456,"authorized":false,
                "version":3,"preprocessed":2,"tags":["t2","t1"],
                "updatedAt":"2024-03-05T10:20:30.456Z","updatedBy":"u9"})")
            << QByteArray(R"({"id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/t.dng","remark":"third","modelSize":123456,"version":3,
                "preprocessed":2,"tags":["t2","t1"],"updatedAt":"2024-03-05T10:20:30.456Z",
                "updatedBy":"u9","mapModelTag":{"type1":"t1"}})");
        const QByteArray kept = R"("authorized":true,"mapModelTag":{"type1":"t1"})";
        QTest::newRow("model, empty object") << model << QByteArray("{}") << "{" + kept + "}";
        QTest::newRow("model, a current model names itself, also for a mistyped modelId")
            << model << QByteArray(R"({"_id":"m1","modelId":7})")
            << R"({"id":"m1","modelId":"m1",)" + kept + "}";
        // Sizes travel as JSON numbers; anything above 2^31 keeps every digit.
        for (const char *size : {"5000000000", "9007199254740991", "1.5e10", "-3000000000"})
            QTest::newRow(size) << model << R"({"modelSize":)" + QByteArray(size) + "}"
                                << "{" + kept + R"(,"modelSize":)" + size + "}";

        const ParseCheck set =
            parsing(::parseModelSet, R"({"id":"old","modelIds":["x"],"createdBy":"u"})");
        QTest::newRow("model set, every member")
            << set << QByteArray(R"({"_id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1","projectId":"p1"})")
            << QByteArray(R"({"id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1"})");
        QTest::newRow("model set, empty object") << set << QByteArray("{}") << QByteArray("{}");
    }
    void parse() { checkParseRow(); }

    // Without a current project the body names none; the condition sends the
    // creator always, even empty, and nothing else but a name.
    void modelSetBodyAndCondition()
    {
        GetSoftCache()->setCurrentProjectId(QString());
        QJsonObject body;
        modelSetToJson(VHModelSet(), body);
        QCOMPARE(body.value("projectId"), QJsonValue(QJsonValue::Null));
        QCOMPARE(modelSetConditionToWhere(record<VHModelSetCondition>(
                     R"({"allTime":false,"timeFrom":"2024-01-01T00:00:00.000Z","text":"x"})")),
                 QString(R"({"createdBy":""})"));
    }

    // Every request once; the facade's plain forwards through the facade,
    // which reports the server's answer.
    void requestsSent()
    {
        using namespace ModelService;
        getModelById("m1", ignored<VHModel>());
        getModelHistory("m1", ignored<QList<VHModel>>());
        getModelHistoryVersion("m1", 3, ignored<VHModel>());
        getModelRecentUpload(ignored<QList<VHModel>>());
        getProjectModels(ignored<QList<VHModel>>());
        getModelsByIds({"b", "", "a"}, ignored<QList<VHModel>>());
        getModelsByIds({}, ignored<QList<VHModel>>());
        m_server.on("DELETE", apiPath("model-service/histories/h1"), ScriptedReply::text(""));
        QVERIFY(!facade().deleteModel("m1"));
        QVERIFY(facade().deleteModelHistory("h1"));
        facade().retryPreprocessModels({"m2", "m1"});
        getModelSet("s1", ignored<VHModelSet>());
        getModelSets(record<VHModelSetCondition>(R"({"createdBy":"u1","name":"A B"})"),
                     ignored<QList<VHModelSet>>());
        VHModelSet set = record<VHModelSet>(R"({"id":"not sent","name":"S","modelIds":["m1"]})");
        facade().createModelSet(set);
        facade().deleteModelSet("s1");
        facade().getCompareModels("m1", 0, 12, ignored<QMap<QString, QStringList>>());
        VHEntityPropertyVersion base;
        facade().getCompareEntityProperty("m1", "u1", 2, 3, base,
                                          ignored<VHEntityPropertyVersion>());
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                "GET model-service/models/m1?expand=true",
                "GET model-service/models/m1/histories",
                R"(GET model-service/models/m1/histories?where={"version":3})",
                "GET model-service/projects/p1/recent_upload",
                "GET model-service/projects/p1/models?auth=read&expand=true",
                R"(GET model-service/projects/p1/models?where={"_id":{"$in":["b",null,"a"]}}&auth=read&expand=true)",
                R"(GET model-service/projects/p1/models?where={"_id":{"$in":[]}}&auth=read&expand=true)",
                "DELETE model-service/models/m1",
                "DELETE model-service/histories/h1",
                R"(POST model-service/parse_models {"modelIds":["m2","m1"]})",
                "GET model-service/model_sets/s1",
                R"(GET model-service/projects/p1/model_sets?where={"createdBy":"u1","name":"A B"})",
                R"(POST model-service/model_sets {"modelIds":["m1"],"name":"S","projectId":"p1"})",
                "DELETE model-service/model_sets/s1",
                "GET model-service/models/m1/0/12/compare",
                "GET model-service/models/m1/u1/2/3/compare",
            }));
    }

    // History and recent uploads replace the caller's list, the project's
    // models append to it; a failed reply's records count all the same, each
    // parsed into a default model.
    void listsReplaceOrAppend()
    {
        for (const char *path :
             {"models/m1/histories", "projects/p1/recent_upload", "projects/p1/models"})
            m_server.on("GET", apiPath(QString("model-service/") + path),
                        ScriptedReply::text(R"([{"_id":"f"}])", 404));
        QList<VHModel> history{stale()};
        QList<VHModel> recent{stale()};
        QList<VHModel> project{stale()};
        QList<VHModel> byIds{stale()};
        QVERIFY(!ModelService::getModelHistory("m1", history));
        QVERIFY(!ModelService::getModelRecentUpload(recent));
        QVERIFY(!ModelService::getProjectModels(project));
        QVERIFY(!ModelService::getModelsByIds({"a"}, byIds));
        const VHModel failed = record<VHModel>(R"({"id":"f","modelId":"f","authorized":true})");
        QCOMPARE(history + recent, QList<VHModel>({failed, failed}));
        QCOMPARE(idsOf(project + byIds), QStringList({"stale", "f", "stale", "f"}));

        // One model: the failed reply's object, the tag index left alone.
        m_server.on("GET", apiPath("model-service/models/m1"),
                    ScriptedReply::text(R"({"_id":"m1"})", 403));
        VHModel model = stale();
        QVERIFY(!ModelService::getModelById("m1", model));
        QCOMPARE(model, record<VHModel>(R"({"id":"m1","modelId":"m1","authorized":true,
                                            "mapModelTag":{"type1":"t1"}})"));
    }

    // Success means "the server has that version", read from the list alone;
    // the record starts afresh.
    void historyVersion()
    {
        const QString path = apiPath("model-service/models/m1/histories");
        const QByteArray entries = R"([{"_id":"h3","modelId":"m1","version":3},{"_id":"h4"}])";
        m_server.once("GET", path, ScriptedReply::text(entries));
        m_server.once("GET", path, ScriptedReply::text(entries, 500));
        m_server.once("GET", path, ScriptedReply::text("[]"));
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"h3","version":3})"));
        QList<bool> found;
        QList<VHModel> models;
        for (int i = 0; i < 4; ++i) {
            models << stale();
            found << ModelService::getModelHistoryVersion("m1", 3, models.last());
        }
        const VHModel h3 =
            record<VHModel>(R"({"id":"h3","modelId":"m1","authorized":true,"version":3})");
        QCOMPARE(found, QList<bool>({true, true, false, false}));
        QCOMPARE(models, QList<VHModel>({h3, h3, VHModel(), VHModel()}));
    }

    // Lists of sets are replaced; one set follows the reply's object.
    void modelSetsFromTheService()
    {
        const QString path = apiPath("model-service/projects/p1/model_sets");
        m_server.once("GET", path,
                      ScriptedReply::text(R"([{"_id":"s2"},{"_id":"s1","name":"A"}])"));
        m_server.once("GET", path, ScriptedReply::text("", 502));
        QList<VHModelSet> sets{VHModelSet()};
        QVERIFY(ModelService::getModelSets(VHModelSetCondition(), sets));
        QCOMPARE(sets, records<VHModelSet>(R"([{"id":"s2"},{"id":"s1","name":"A"}])"));
        QVERIFY(!ModelService::getModelSets(VHModelSetCondition(), sets));
        QVERIFY(sets.isEmpty());

        m_server.on("POST", apiPath("model-service/model_sets"),
                    ScriptedReply::text(R"({"_id":"s9","name":"S","modelIds":["m1","m2"],
                        "createdAt":"2024-05-06T07:08:09.010Z","createdBy":"u1"})"));
        m_server.on("GET", apiPath("model-service/model_sets/s9"),
                    ScriptedReply::text("oops", 500));
        VHModelSet set = named<VHModelSet>("", "S");
        QVERIFY(ModelService::createModelSet(set));
        QCOMPARE(set, record<VHModelSet>(R"({"id":"s9","name":"S","modelIds":["m1","m2"],
                                             "createdAt":"2024-05-06T07:08:09.010Z","createdBy":"u1"})"));
        QVERIFY(!ModelService::getModelSet("s9", set));
        QCOMPARE(set, VHModelSet());
    }

    // Changed entities by kind, a modification under the kind it names; the
    // caller's map is replaced, also by a failed reply.
    void changedEntities()
    {
        const QString path = apiPath("model-service/models/m1/0/12/compare");
        m_server.once("GET", path, ScriptedReply::text(R"([{"uuid":"u1","status":"add"},
            {"uuid":"u2","status":"mod","diff":"d1"},{"uuid":"u3","status":"del"},
            {"uuid":"u4","status":"add"},{"uuid":"u5","status":"mod"},
            {"uuid":"u6","status":"moved","diff":"d2"}])"));
        m_server.once("GET", path, ScriptedReply::text("oops", 500));
        QMap<QString, QStringList> changes{{"add", {"earlier"}}};
        QVERIFY(facade().getCompareModels("m1", 0, 12, changes));
        QCOMPARE(describe(changes), QString(":u5 add:u1,u4 d1:u2 del:u3 moved:u6"));
        QVERIFY(!facade().getCompareModels("m1", 0, 12, changes));
        QVERIFY(changes.isEmpty());
    }

    // Each version is read from its own member, whatever the status says.
    void entityPropertiesSideBySide()
    {
        const QString path = apiPath("model-service/models/m1/u1/2/3/compare");
        m_server.once("GET", path,
                      ScriptedReply::text(R"({"property_compare":{"name":"Wall 2"},
            "property_base":{"name":"Wall","properties":[{"key":"k"}]}})",
                                          403));
        m_server.once("GET", path, ScriptedReply::text("oops", 500));
        VHEntityPropertyVersion base;
        VHEntityPropertyVersion compare;
        compare.properties.append(VHProperty());
        QVERIFY(!facade().getCompareEntityProperty("m1", "u1", 2, 3, base, compare));
        QCOMPARE(base,
                 record<VHEntityPropertyVersion>(R"({"name":"Wall","properties":[{"key":"k"}]})"));
        QCOMPARE(compare, record<VHEntityPropertyVersion>(R"({"name":"Wall 2"})"));
        QVERIFY(!facade().getCompareEntityProperty("m1", "u1", 2, 3, base, compare));
        QCOMPARE(base, VHEntityPropertyVersion());
        QCOMPARE(compare, VHEntityPropertyVersion());
    }

    // Model files travel as a multipart form: the four description fields,
    // empty ones included, beside the file, the tags as a JSON array text.
    void modelFiles()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("tower.dng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("model bytes");
        file.close();
        m_server.on("POST", apiPath("model-service/models/dng"), ScriptedReply::text("{}"));
        m_server.on("PUT", apiPath("model-service/models/m9/dng"), ScriptedReply::text("{}", 500));
        VHUploadDNG upload = record<VHUploadDNG>(
            R"({"projectId":"p7","name":"Tower","firstTagId":"a","secondTagId":"b","modelId":"m9"})");
        upload.filePath = file.fileName();
        QVERIFY(facade().uploadModelDNG(upload));
        upload.firstTagId.clear();
        upload.secondTagId = "x\"y";
        QVERIFY(!facade().updateModelDNG(upload));
        QStringList forms;
        for (const RecordedRequest &request : m_server.requests()) {
            QStringList parts{request.method, request.path, request.formFileNames.value("file")};
            for (auto it = request.formFields.cbegin(); it != request.formFields.cend(); ++it)
                parts << it.key() + "=" + it.value();
            forms << parts.join(' ');
        }
        QCOMPARE(forms,
                 QStringList({"POST /v1/model-service/models/dng tower.dng file=model bytes "
                              "name=Tower projectId=p7 remark= tags=[\"a\",\"b\"]",
                              "PUT /v1/model-service/models/m9/dng tower.dng file=model "
                              "bytes name=Tower projectId=p7 remark= tags=[\"\",\"x\\\"y\"]"}));
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
        QCOMPARE(facadeState().m_models.value("m1").name, QString("One"));
        QVERIFY(!facade().getModelById("m2", model, true));
        QCOMPARE(facadeState().m_models.keys(), QStringList{"m1"});
    }

    // A model's history and the recent uploads come back with their tag
    // index, and each model read is remembered.
    void listReadsCompleteAndRememberTheirModels_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("history") << modelPath("m1", "/histories");
        QTest::newRow("recent uploads") << apiPath("model-service/projects/p1/recent_upload");
    }
    void listReadsCompleteAndRememberTheirModels()
    {
        QFETCH(QString, path);
        m_server.on("GET", path, ScriptedReply::json(QJsonArray{modelJson("h1", "H")}));
        QList<VHModel> models;
        QVERIFY(path.endsWith("recent_upload") ? facade().getModelRecentUpload(models)
                                               : facade().getModelHistory("m1", models));
        QCOMPARE(idsOf(models), QStringList{"h1"});
        QCOMPARE(models.first().mapModelTag, (QMap<QString, QString>{{"X", "t1"}}));
        QCOMPARE(facadeState().m_models.value("h1"), models.first());
    }

    // The remembered current version answers; another one comes from the
    // history and is remembered; a missing one leaves a default record.
    void modelByVersion()
    {
        facadeState().m_models.insert("m1",
                                      record<VHModel>(R"({"id":"m1","modelId":"m1","version":3})"));
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
        QCOMPARE(facadeState().m_models.keys(), QStringList({"h2", "m1"}));
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
        QCOMPARE(facadeState().m_models.size(), models.size());
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
        QCOMPARE(facadeState().m_models.size(), 4);
        facadeState().m_models.clear();
        QVERIFY(!facade().getProjectModels(models, true));
        QCOMPARE(idsOf(models), QStringList({"1", "2", "3", "4"}));
        QVERIFY(facadeState().m_models.isEmpty());
    }

    // Open models come from memory, else from the server, one record per id.
    void currentModelsAndNames()
    {
        facadeState().m_models.insert("m1", named<VHModel>("m1", "One"));
        m_server.on("GET", modelPath("m2"), ScriptedReply::json(modelJson("m2", "Two")));
        m_server.on("GET", modelPath("m3"), ScriptedReply::text("", 404));
        GetSoftCache()->setCurrentModelIds({"m1", "m2", "m3"});
        QList<VHModel> models{VHModel()};
        facade().getCurrentModels(models);
        QCOMPARE(idsOf(models), (QStringList{"m1", "m2", ""}));
        QVERIFY(models.at(2).authorized);
        QCOMPARE(models.at(1).mapModelTag.value("X"), QString("t1"));
        QCOMPARE(facadeState().m_models.keys(), (QStringList{"m1", "m2"}));
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
        for (const QString &caller : input) {
            const QStringList parts = caller.split(' ');
            models << record<VHModel>(QString(R"({"id":"%1","modelId":"%2","version":%3})")
                                          .arg(parts[0], parts[1], parts[2])
                                          .toUtf8());
        }
        QVERIFY(facade().freshModels(models));
        QCOMPARE(idsOf(models), expected);
        for (const QString &id : expected)
            QVERIFY(facadeState().m_models.contains(id));
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
        QCOMPARE(facadeState().m_modelSets.keys(), QStringList{"s1"});

        // The set's models follow it; only reading the set decides the result.
        m_server.on("GET", s3, ScriptedReply::text(R"({"_id":"s3","modelIds":["m1","m2"]})"));
        m_server.on("GET", modelsPath, modelsByIds({"m1"}));
        QList<VHModel> models;
        QVERIFY(facade().getModelSetModels("s3", models));
        QCOMPARE(idsOf(models), QStringList{"m1"});
        m_server.on("GET", modelsPath, modelsByIds({"m1"}, "m1"));
        QVERIFY(facade().getModelSetModels("s3", models));
        QVERIFY(models.isEmpty());
        QCOMPARE(facadeState().m_modelSets.keys(), (QStringList{"s1", "s3"}));
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
