#include "models/modelservice.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QtTest>

#include <functional>

namespace {

using Call = std::function<bool()>;

QStringList ids(const QList<VHModel> &models)
{
    QStringList result;
    for (const VHModel &model : models)
        result.append(model.id);
    return result;
}

// The query as the server received it, percent-decoding undone, in the order
// it was sent.
QString decodedQuery(const RecordedRequest &request)
{
    return QUrl::fromPercentEncoding(request.rawQuery.toUtf8());
}

VHModel modelHolding(const QString &id)
{
    VHModel model;
    model.id = id;
    model.modelId = id;
    model.name = "old name";
    model.version = 7;
    model.authorized = false;
    model.tags = QStringList{"t1"};
    model.mapModelTag.insert("type1", "t1");
    return model;
}

} // namespace

// The model service's requests for models, versions and model sets: what goes
// over the wire and what the caller's arguments hold afterwards.
class TestModelRequests : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
    }

    void requestLines_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("body");

        QTest::newRow("model by id") << "getModelById"
                                     << "GET"
                                     << "models/m1"
                                     << "expand=true"
                                     << "";
        QTest::newRow("history") << "getModelHistory"
                                 << "GET"
                                 << "models/m1/histories"
                                 << ""
                                 << "";
        QTest::newRow("history version") << "getModelHistoryVersion"
                                         << "GET"
                                         << "models/m1/histories"
                                         << R"(where={"version":3})"
                                         << "";
        QTest::newRow("recent uploads") << "getModelRecentUpload"
                                        << "GET"
                                        << "projects/p1/recent_upload"
                                        << ""
                                        << "";
        QTest::newRow("project models") << "getProjectModels"
                                        << "GET"
                                        << "projects/p1/models"
                                        << "auth=read&expand=true"
                                        << "";
        QTest::newRow("models by ids") << "getModelsByIds"
                                       << "GET"
                                       << "projects/p1/models"
                                       << R"(where={"_id":{"$in":["b","a"]}}&auth=read&expand=true)"
                                       << "";
        QTest::newRow("delete model") << "deleteModel"
                                      << "DELETE"
                                      << "models/m1"
                                      << ""
                                      << "";
        QTest::newRow("delete history entry") << "deleteModelHistory"
                                              << "DELETE"
                                              << "histories/h1"
                                              << ""
                                              << "";
        QTest::newRow("preprocess again") << "retryPreprocessModels"
                                          << "POST"
                                          << "parse_models"
                                          << ""
                                          << R"({"modelIds":["m2","m1"]})";
        QTest::newRow("model set") << "getModelSet"
                                   << "GET"
                                   << "model_sets/s1"
                                   << ""
                                   << "";
        QTest::newRow("model sets") << "getModelSets"
                                    << "GET"
                                    << "projects/p1/model_sets"
                                    << R"(where={"createdBy":"u1","name":"A B"})"
                                    << "";
        QTest::newRow("create model set") << "createModelSet"
                                          << "POST"
                                          << "model_sets"
                                          << ""
                                          << R"({"modelIds":["m1"],"name":"S","projectId":"p1"})";
        QTest::newRow("delete model set") << "deleteModelSet"
                                          << "DELETE"
                                          << "model_sets/s1"
                                          << ""
                                          << "";
    }
    void requestLines()
    {
        QFETCH(QString, call);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, query);
        QFETCH(QString, body);
        m_server.on(method, apiPath("model-service/" + path), ScriptedReply::json(QJsonArray()));

        requestFunctions().value(call)();

        QCOMPARE(m_server.requestCount(), 1);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.method, method);
        QCOMPARE(seen.path, apiPath("model-service/" + path));
        QCOMPARE(decodedQuery(seen), query);
        QCOMPARE(seen.compactBody(), body);
    }

    // Ids and texts are put into the URL once each, so a percent sign that an
    // earlier value brings along is never taken for a later placeholder.
    void valuesAreInsertedInOnePass()
    {
        m_server.on("GET", apiPath("model-service/models/m,1/histories"),
                    ScriptedReply::text(R"([{"_id":"h1","version":2}])"));
        VHModel model;
        QVERIFY(ModelService::getModelHistoryVersion("m%2C1", 2, model));
        QCOMPARE(m_server.lastRequest().path, apiPath("model-service/models/m,1/histories"));
        QCOMPARE(m_server.lastRequest().query.value("where"), QString(R"({"version":2})"));
        QCOMPARE(model.id, QString("h1"));
    }

    void modelsByIdsWhereText_data()
    {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("where");
        QTest::newRow("in order") << QStringList{"b", "a"} << R"({"_id":{"$in":["b","a"]}})";
        QTest::newRow("no ids still asks") << QStringList() << R"({"_id":{"$in":[]}})";
        QTest::newRow("empty id becomes null")
            << QStringList{"a", ""} << R"({"_id":{"$in":["a",null]}})";
    }
    void modelsByIdsWhereText()
    {
        QFETCH(QStringList, ids);
        QFETCH(QString, where);
        m_server.on("GET", apiPath("model-service/projects/p1/models"),
                    ScriptedReply::json(QJsonArray()));
        QList<VHModel> models;
        QVERIFY(ModelService::getModelsByIds(ids, models));
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(m_server.lastRequest().query.value("where"), where);
    }

    void withoutCurrentProjectThePathKeepsAnEmptySegment()
    {
        GetSoftCache()->setCurrentProjectId(QString());
        QList<VHModel> models;
        QVERIFY(!ModelService::getProjectModels(models));
        QCOMPARE(m_server.lastRequest().path, apiPath("model-service/projects//models"));

        VHModelSet set;
        set.name = "S";
        QVERIFY(!ModelService::createModelSet(set));
        QCOMPARE(m_server.lastRequest().compactBody(),
                 QString(R"({"modelIds":[],"name":"S","projectId":null})"));
    }

    // Which list requests empty the caller's list once the reply is there, and
    // which only append, whatever the reply holds.
    void listReplies_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("expected");

        const struct
        {
            const char *call;
            bool clears;
        } calls[] = {{"getModelHistory", true},
                     {"getModelRecentUpload", true},
                     {"getProjectModels", false},
                     {"getModelsByIds", false}};
        for (const auto &c : calls) {
            const QStringList kept = c.clears ? QStringList() : QStringList{"old"};
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s, %s", c.call, what) << QString(c.call);
            };
            row("records in reply order")
                << 200 << QByteArray(R"([{"_id":"b"},{"_id":"a","modelId":"m"}])") << true
                << kept + QStringList{"b", "a"};
            row("records under data") << 200 << QByteArray(R"({"data":[{"_id":"c"}]})") << true
                                      << kept + QStringList{"c"};
            row("non-objects skipped") << 200 << QByteArray(R"([5,"x",{"_id":"d"},null])") << true
                                       << kept + QStringList{"d"};
            row("object instead of list") << 200 << QByteArray(R"({"_id":"e"})") << true << kept;
            row("server error") << 500 << QByteArray("<html>oops</html>") << false << kept;
            row("not found with records")
                << 404 << QByteArray(R"([{"_id":"f"}])") << false << kept + QStringList{"f"};
        }
    }
    void listReplies()
    {
        QFETCH(QString, call);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QStringList, expected);
        m_server.on("GET", apiPath("model-service/models/m1/histories"),
                    ScriptedReply::text(reply, status));
        m_server.on("GET", apiPath("model-service/projects/p1/recent_upload"),
                    ScriptedReply::text(reply, status));
        m_server.on("GET", apiPath("model-service/projects/p1/models"),
                    ScriptedReply::text(reply, status));

        QList<VHModel> models{modelHolding("old")};
        bool ok = false;
        if (call == "getModelHistory")
            ok = ModelService::getModelHistory("m1", models);
        else if (call == "getModelRecentUpload")
            ok = ModelService::getModelRecentUpload(models);
        else if (call == "getProjectModels")
            ok = ModelService::getProjectModels(models);
        else
            ok = ModelService::getModelsByIds({"a"}, models);

        QCOMPARE(ok, result);
        QCOMPARE(ids(models), expected);
        // Each record starts from a default model, not from what the list held.
        for (const VHModel &model : models) {
            if (model.id != "old") {
                QVERIFY(model.mapModelTag.isEmpty());
                QCOMPARE(model.version, 1);
                QCOMPARE(model.authorized, true);
            }
        }
    }

    void modelByIdOverwritesTheRecord_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("version");
        QTest::newRow("found") << 200
                               << QByteArray(R"({"_id":"m1","name":"A","version":4,"tags":["t2"]})")
                               << true << "m1" << 4;
        QTest::newRow("server error") << 500 << QByteArray("oops") << false << "" << 1;
        QTest::newRow("error with a body")
            << 403 << QByteArray(R"({"_id":"m1","version":2})") << false << "m1" << 2;
        QTest::newRow("list instead of object")
            << 200 << QByteArray(R"([{"_id":"m1"}])") << true << "" << 1;
    }
    void modelByIdOverwritesTheRecord()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, id);
        QFETCH(int, version);
        m_server.on("GET", apiPath("model-service/models/m1"), ScriptedReply::text(reply, status));
        VHModel model = modelHolding("stale");
        QCOMPARE(ModelService::getModelById("m1", model), result);
        QCOMPARE(model.id, id);
        QCOMPARE(model.modelId, id);
        QCOMPARE(model.version, version);
        QCOMPARE(model.authorized, true);
        QVERIFY(model.name != "old name");
        // The tag index is the facade's; the request leaves it alone.
        QCOMPARE(model.mapModelTag.value("type1"), QString("t1"));
    }

    // Success means "the server has that version", read from the list alone.
    void historyVersion_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("version");
        QTest::newRow("first entry taken")
            << 200
            << QByteArray(R"([{"_id":"h3","modelId":"m1","version":3},{"_id":"h4","version":3}])")
            << true << "h3" << 3;
        QTest::newRow("entries under data")
            << 200 << QByteArray(R"({"data":[{"_id":"h3","modelId":"m1","version":3}]})") << true
            << "h3" << 3;
        QTest::newRow("no such version") << 200 << QByteArray("[]") << false << "" << 1;
        QTest::newRow("object instead of list")
            << 200 << QByteArray(R"({"_id":"h3","version":3})") << false << "" << 1;
        QTest::newRow("no objects in the list")
            << 200 << QByteArray(R"([3,"h3"])") << false << "" << 1;
        QTest::newRow("server error") << 500 << QByteArray("oops") << false << "" << 1;
        QTest::newRow("error status with an entry")
            << 500 << QByteArray(R"([{"_id":"h3","modelId":"m1","version":3}])") << true << "h3"
            << 3;
    }
    void historyVersion()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, id);
        QFETCH(int, version);
        m_server.on("GET", apiPath("model-service/models/m1/histories"),
                    ScriptedReply::text(reply, status));
        VHModel model = modelHolding("stale");
        QCOMPARE(ModelService::getModelHistoryVersion("m1", 3, model), result);
        QCOMPARE(model.id, id);
        QCOMPARE(model.modelId, result ? QString("m1") : QString());
        QCOMPARE(model.version, version);
        QCOMPARE(model.authorized, result);
        QVERIFY(model.tags.isEmpty());
        QVERIFY(model.mapModelTag.isEmpty());
        QCOMPARE(model.name, QString());
    }

    void modelSetsReplaceTheList()
    {
        m_server.on("GET", apiPath("model-service/projects/p1/model_sets"),
                    ScriptedReply::text(R"([{"_id":"s2","name":"B","modelIds":["m1"]},
                                            {"_id":"s1","name":"A"}])"));
        QList<VHModelSet> sets{VHModelSet()};
        VHModelSetCondition condition;
        condition.createdBy = "u1";
        condition.name = R"(say "hi")";
        QVERIFY(ModelService::getModelSets(condition, sets));
        QCOMPARE(m_server.lastRequest().query.value("where"),
                 QString("{\"createdBy\":\"u1\",\"name\":\"say \\\"hi\\\"\"}"));
        QCOMPARE(sets.size(), 2);
        QCOMPARE(sets.at(0).id, QString("s2"));
        QCOMPARE(sets.at(0).modelIds, QStringList{"m1"});
        QCOMPARE(sets.at(1).name, QString("A"));

        m_server.on("GET", apiPath("model-service/projects/p1/model_sets"),
                    ScriptedReply::text("", 502));
        QVERIFY(!ModelService::getModelSets(condition, sets));
        QVERIFY(sets.isEmpty());
    }

    void modelSetRecordsFollowTheReply_data()
    {
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("createdBy");
        const QByteArray stored = R"({"_id":"s9","name":"S","modelIds":["m1","m2"],
            "createdAt":"2024-05-06T07:08:09.010Z","createdBy":"u1"})";
        for (bool create : {false, true}) {
            const char *which = create ? "create" : "read";
            QTest::addRow("%s, stored", which) << create << 200 << stored << true << "s9"
                                               << "u1";
            QTest::addRow("%s, server error", which)
                << create << 500 << QByteArray("oops") << false << ""
                << "";
            QTest::addRow("%s, list instead of object", which)
                << create << 200 << QByteArray("[" + stored + "]") << true << ""
                << "";
        }
    }
    void modelSetRecordsFollowTheReply()
    {
        QFETCH(bool, create);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, id);
        QFETCH(QString, createdBy);
        m_server.on("POST", apiPath("model-service/model_sets"),
                    ScriptedReply::text(reply, status));
        m_server.on("GET", apiPath("model-service/model_sets/s9"),
                    ScriptedReply::text(reply, status));
        VHModelSet set;
        set.name = "S";
        set.modelIds = QStringList{"m1", "m2"};
        QCOMPARE(create ? ModelService::createModelSet(set) : ModelService::getModelSet("s9", set),
                 result);
        QCOMPARE(set.id, id);
        QCOMPARE(set.createdBy, createdBy);
        QCOMPARE(set.name, id.isEmpty() ? QString() : QString("S"));
        QCOMPARE(set.modelIds, (id.isEmpty() ? QStringList() : QStringList{"m1", "m2"}));
        QCOMPARE(set.createdAt.isNull(), id.isEmpty());
        if (!id.isEmpty())
            QCOMPARE(set.createdAt, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::UTC));
    }

    // The facade's model and model-set changes reach the server unchanged and
    // report its answer.
    void facadeForwards_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        const struct
        {
            const char *call, *method, *path;
        } forwards[] = {{"deleteModel", "DELETE", "models/m1"},
                        {"deleteModelHistory", "DELETE", "histories/h1"},
                        {"retryPreprocessModels", "POST", "parse_models"},
                        {"createModelSet", "POST", "model_sets"},
                        {"deleteModelSet", "DELETE", "model_sets/s1"}};
        for (const auto &f : forwards) {
            for (int status : {200, 500})
                QTest::addRow("%s, %d", f.call, status) << f.call << f.method << f.path << status;
        }
    }
    void facadeForwards()
    {
        QFETCH(QString, call);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        m_server.on(method, apiPath("model-service/" + path),
                    ScriptedReply::text(R"({"_id":"s1"})", status));
        VHPrimaryData &facade = *VHPrimaryData::instance();
        VHModelSet set;
        bool ok = false;
        if (call == "deleteModel")
            ok = facade.deleteModel("m1");
        else if (call == "deleteModelHistory")
            ok = facade.deleteModelHistory("h1");
        else if (call == "retryPreprocessModels")
            ok = facade.retryPreprocessModels({"m1"});
        else if (call == "createModelSet")
            ok = facade.createModelSet(set);
        else
            ok = facade.deleteModelSet("s1");
        QCOMPARE(ok, status == 200);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(m_server.lastRequest().method, method);
        QCOMPARE(m_server.lastRequest().path, apiPath("model-service/" + path));
        if (call == "createModelSet")
            QCOMPARE(set.id, QString("s1"));
    }

private:
    static QMap<QString, Call> requestFunctions()
    {
        static VHModel model;
        static QList<VHModel> models;
        static VHModelSet set;
        static QList<VHModelSet> sets;
        VHModelSetCondition condition;
        condition.createdBy = "u1";
        condition.name = "A B";
        VHModelSet newSet;
        newSet.id = "ignored";
        newSet.name = "S";
        newSet.modelIds = QStringList{"m1"};
        using namespace ModelService;
        return {
            {"getModelById", [] { return getModelById("m1", model); }},
            {"getModelHistory", [] { return getModelHistory("m1", models); }},
            {"getModelHistoryVersion", [] { return getModelHistoryVersion("m1", 3, model); }},
            {"getModelRecentUpload", [] { return getModelRecentUpload(models); }},
            {"getProjectModels", [] { return getProjectModels(models); }},
            {"getModelsByIds",
             [] {
                 return getModelsByIds({"b", "a"}, models);
             }},
            {"deleteModel", [] { return deleteModel("m1"); }},
            {"deleteModelHistory", [] { return deleteModelHistory("h1"); }},
            {"retryPreprocessModels",
             [] {
                 return retryPreprocessModels({"m2", "m1"});
             }},
            {"getModelSet", [] { return getModelSet("s1", set); }},
            {"getModelSets", [condition] { return getModelSets(condition, sets); }},
            {"createModelSet",
             [newSet] {
                 set = newSet;
                 return createModelSet(set);
             }},
            {"deleteModelSet", [] { return deleteModelSet("s1"); }},
        };
    }

    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestModelRequests)
#include "tst_modelrequests.moc"
