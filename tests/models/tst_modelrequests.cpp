#include "facadetest.h"
#include "models/modelservice.h"
#include "recordtext.h"
#include "requestlines.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

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

// The model service's requests for models, versions, model sets, the
// comparison of two versions and model files: what goes over the wire and
// what the caller's arguments hold afterwards.
class TestModelRequests : public FacadeTest
{
    Q_OBJECT
private slots:
    // Every request once; the facade's plain forwards through the facade,
    // which reports the server's answer.
    void requestsSent()
    {
        using namespace ModelService;
        VHModel model;
        QList<VHModel> models;
        VHModelSet set;
        QList<VHModelSet> sets;
        getModelById("m1", model);
        getModelHistory("m1", models);
        getModelHistoryVersion("m1", 3, model);
        getModelRecentUpload(models);
        getProjectModels(models);
        getModelsByIds({"b", "", "a"}, models);
        getModelsByIds({}, models);
        m_server.on("DELETE", apiPath("model-service/histories/h1"), ScriptedReply::text(""));
        QVERIFY(!facade().deleteModel("m1"));
        QVERIFY(facade().deleteModelHistory("h1"));
        facade().retryPreprocessModels({"m2", "m1"});
        getModelSet("s1", set);
        VHModelSetCondition condition;
        condition.createdBy = "u1";
        condition.name = "A B";
        getModelSets(condition, sets);
        set.id = "not sent";
        set.name = "S";
        set.modelIds = QStringList{"m1"};
        facade().createModelSet(set);
        facade().deleteModelSet("s1");
        QMap<QString, QStringList> diff;
        facade().getCompareModels("m1", 0, 12, diff);
        VHEntityPropertyVersion base;
        VHEntityPropertyVersion compare;
        facade().getCompareEntityProperty("m1", "u1", 2, 3, base, compare);
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
    void modelSets()
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
        VHModelSet set;
        set.name = "S";
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
        VHUploadDNG upload;
        upload.projectId = "p7";
        upload.name = "Tower";
        upload.firstTagId = "a";
        upload.secondTagId = "b";
        upload.filePath = file.fileName();
        upload.modelId = "m9";
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
};

QTEST_GUILESS_MAIN(TestModelRequests)
#include "tst_modelrequests.moc"
