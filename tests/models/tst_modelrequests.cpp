#include "models/modelservice.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QtTest>

#include <functional>

namespace {

QStringList ids(const QList<VHModel> &models)
{
    QStringList result;
    for (const VHModel &model : models)
        result.append(model.id);
    return result;
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

// One call of each request, with fixed arguments.
const QMap<QString, std::function<bool()>> &requests()
{
    static VHModel model;
    static QList<VHModel> models;
    static VHModelSet set;
    static QList<VHModelSet> sets;
    using namespace ModelService;
    static const QMap<QString, std::function<bool()>> calls{
        {"getModelById", [] { return getModelById("m1", model); }},
        {"getModelHistory", [] { return getModelHistory("m1", models); }},
        {"getModelHistoryVersion", [] { return getModelHistoryVersion("m1", 3, model); }},
        {"getModelRecentUpload", [] { return getModelRecentUpload(models); }},
        {"getProjectModels", [] { return getProjectModels(models); }},
        {"getModelsByIds",
         [] {
             return getModelsByIds({"b", "", "a"}, models);
         }},
        {"getModelsByNoIds", [] { return getModelsByIds({}, models); }},
        {"deleteModel", [] { return deleteModel("m1"); }},
        {"deleteModelHistory", [] { return deleteModelHistory("h1"); }},
        {"retryPreprocessModels",
         [] {
             return retryPreprocessModels({"m2", "m1"});
         }},
        {"getModelSet", [] { return getModelSet("s1", set); }},
        {"getModelSets",
         [] {
             VHModelSetCondition condition;
             condition.createdBy = "u1";
             condition.name = "A B";
             return getModelSets(condition, sets);
         }},
        {"createModelSet",
         [] {
             set = VHModelSet();
             set.id = "not sent";
             set.name = "S";
             set.modelIds = QStringList{"m1"};
             return createModelSet(set);
         }},
        {"deleteModelSet", [] { return deleteModelSet("s1"); }},
    };
    return calls;
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
        QTest::addColumn<QString>("query"); // percent-decoding undone, in sent order
        QTest::addColumn<QString>("body");
        const struct
        {
            const char *call, *method, *path, *query, *body;
        } rows[] = {
            {"getModelById", "GET", "models/m1", "expand=true", ""},
            {"getModelHistory", "GET", "models/m1/histories", "", ""},
            {"getModelHistoryVersion", "GET", "models/m1/histories", R"(where={"version":3})", ""},
            {"getModelRecentUpload", "GET", "projects/p1/recent_upload", "", ""},
            {"getProjectModels", "GET", "projects/p1/models", "auth=read&expand=true", ""},
            {"getModelsByIds", "GET", "projects/p1/models",
             R"(where={"_id":{"$in":["b",null,"a"]}}&auth=read&expand=true)", ""},
            {"getModelsByNoIds", "GET", "projects/p1/models",
             R"(where={"_id":{"$in":[]}}&auth=read&expand=true)", ""},
            {"deleteModel", "DELETE", "models/m1", "", ""},
            {"deleteModelHistory", "DELETE", "histories/h1", "", ""},
            {"retryPreprocessModels", "POST", "parse_models", "", R"({"modelIds":["m2","m1"]})"},
            {"getModelSet", "GET", "model_sets/s1", "", ""},
            {"getModelSets", "GET", "projects/p1/model_sets",
             R"(where={"createdBy":"u1","name":"A B"})", ""},
            {"createModelSet", "POST", "model_sets", "",
             R"({"modelIds":["m1"],"name":"S","projectId":"p1"})"},
            {"deleteModelSet", "DELETE", "model_sets/s1", "", ""},
        };
        for (const auto &r : rows)
            QTest::newRow(r.call) << r.call << r.method << r.path << r.query << r.body;
    }
    void requestLines()
    {
        QFETCH(QString, call);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, query);
        QFETCH(QString, body);
        m_server.on(method, apiPath("model-service/" + path), ScriptedReply::json(QJsonArray()));
        requests().value(call)();
        QCOMPARE(m_server.requestCount(), 1);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.method, method);
        QCOMPARE(seen.path, apiPath("model-service/" + path));
        QCOMPARE(QUrl::fromPercentEncoding(seen.rawQuery.toUtf8()), query);
        QCOMPARE(seen.compactBody(), body);
    }

    // An id is put into the URL once, so the "%2" of an encoded comma in it is
    // not taken for the where-text's placeholder.
    void valuesAreInsertedInOnePass()
    {
        m_server.on("GET", apiPath("model-service/models/m,1/histories"),
                    ScriptedReply::text(R"([{"_id":"h1","version":2}])"));
        VHModel model;
        QVERIFY(ModelService::getModelHistoryVersion("m%2C1", 2, model));
        QCOMPARE(m_server.lastRequest().query.value("where"), QString(R"({"version":2})"));
        QCOMPARE(model.id, QString("h1"));
    }

    void withoutCurrentProjectThePathKeepsAnEmptySegment()
    {
        GetSoftCache()->setCurrentProjectId(QString());
        QList<VHModel> models;
        QVERIFY(!ModelService::getProjectModels(models));
        QCOMPARE(m_server.lastRequest().path, apiPath("model-service/projects//models"));
        VHModelSet set;
        QVERIFY(!ModelService::createModelSet(set));
        QCOMPARE(m_server.lastRequest().compactBody(),
                 QString(R"({"modelIds":[],"name":"","projectId":null})"));
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
            const char *call = c.call;
            const QStringList kept = c.clears ? QStringList() : QStringList{"stale"};
            QTest::addRow("%s, records in reply order", call)
                << call << 200 << QByteArray(R"({"data":[{"_id":"b"},5,{"_id":"a"}]})") << true
                << kept + QStringList{"b", "a"};
            QTest::addRow("%s, object instead of list", call)
                << call << 200 << QByteArray(R"({"_id":"e"})") << true << kept;
            QTest::addRow("%s, server error", call)
                << call << 500 << QByteArray("<html>") << false << kept;
            QTest::addRow("%s, error status with records", call)
                << call << 404 << QByteArray(R"([{"_id":"f"}])") << false
                << kept + QStringList{"f"};
        }
    }
    void listReplies()
    {
        QFETCH(QString, call);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QStringList, expected);
        for (const char *path :
             {"models/m1/histories", "projects/p1/recent_upload", "projects/p1/models"})
            m_server.on("GET", apiPath(QString("model-service/") + path),
                        ScriptedReply::text(reply, status));
        QList<VHModel> models{stale()};
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
        // Each new record starts from a default model.
        for (const VHModel &model : models)
            QVERIFY(model.id == "stale" || (model.authorized && model.mapModelTag.isEmpty()));
    }

    void modelByIdOverwritesTheRecord_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("id");
        QTest::newRow("found") << 200 << QByteArray(R"({"_id":"m1","version":4})") << true << "m1";
        QTest::newRow("server error") << 500 << QByteArray("oops") << false << "";
        QTest::newRow("error with a body") << 403 << QByteArray(R"({"_id":"m1"})") << false << "m1";
        QTest::newRow("list instead of object")
            << 200 << QByteArray(R"([{"_id":"m1"}])") << true << "";
    }
    void modelByIdOverwritesTheRecord()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, id);
        m_server.on("GET", apiPath("model-service/models/m1"), ScriptedReply::text(reply, status));
        VHModel model = stale();
        QCOMPARE(ModelService::getModelById("m1", model), result);
        QCOMPARE(model.id, id);
        QCOMPARE(model.name, QString());
        QVERIFY(model.tags.isEmpty());
        // The tag index is the facade's; the request leaves it alone.
        QCOMPARE(model.mapModelTag.value("type1"), QString("t1"));
    }

    // Success means "the server has that version", read from the list alone.
    void historyVersion_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        const QByteArray entries = R"([{"_id":"h3","modelId":"m1","version":3},{"_id":"h4"}])";
        QTest::newRow("first entry taken") << 200 << entries << true;
        QTest::newRow("error status with an entry") << 500 << entries << true;
        QTest::newRow("no such version") << 200 << QByteArray("[]") << false;
        QTest::newRow("object instead of list")
            << 200 << QByteArray(R"({"_id":"h3","version":3})") << false;
        QTest::newRow("server error") << 500 << QByteArray("oops") << false;
    }
    void historyVersion()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        m_server.on("GET", apiPath("model-service/models/m1/histories"),
                    ScriptedReply::text(reply, status));
        VHModel model = stale();
        model.version = 9;
        QCOMPARE(ModelService::getModelHistoryVersion("m1", 3, model), result);
        QCOMPARE(model.id, result ? QString("h3") : QString());
        QCOMPARE(model.modelId, result ? QString("m1") : QString());
        QCOMPARE(model.version, result ? 3 : 1);
        QCOMPARE(model.authorized, result);
        QVERIFY(model.mapModelTag.isEmpty());
    }

    void modelSetsReplaceTheList()
    {
        const QString path = apiPath("model-service/projects/p1/model_sets");
        m_server.on("GET", path, ScriptedReply::text(R"([{"_id":"s2"},{"_id":"s1","name":"A"}])"));
        QList<VHModelSet> sets{VHModelSet()};
        VHModelSetCondition condition;
        condition.createdBy = "u1";
        condition.name = "say \"hi\"";
        QVERIFY(ModelService::getModelSets(condition, sets));
        QCOMPARE(m_server.lastRequest().query.value("where"),
                 QString("{\"createdBy\":\"u1\",\"name\":\"say \\\"hi\\\"\"}"));
        QCOMPARE(sets.size(), 2);
        QCOMPARE(sets.at(1).name, QString("A"));
        m_server.on("GET", path, ScriptedReply::text("", 502));
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
        const QByteArray stored = R"({"_id":"s9","name":"S","modelIds":["m1","m2"],
            "createdAt":"2024-05-06T07:08:09.010Z","createdBy":"u1"})";
        for (bool create : {false, true}) {
            const char *which = create ? "create" : "read";
            QTest::addRow("%s, stored", which) << create << 200 << stored << true << "s9";
            QTest::addRow("%s, server error", which)
                << create << 500 << QByteArray("oops") << false << "";
            QTest::addRow("%s, list instead of object", which)
                << create << 200 << "[" + stored + "]" << true << "";
        }
    }
    void modelSetRecordsFollowTheReply()
    {
        QFETCH(bool, create);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, id);
        m_server.on("POST", apiPath("model-service/model_sets"),
                    ScriptedReply::text(reply, status));
        m_server.on("GET", apiPath("model-service/model_sets/s9"),
                    ScriptedReply::text(reply, status));
        VHModelSet set;
        set.name = "S";
        set.modelIds = QStringList{"m1", "m2"};
        QCOMPARE(create ? ModelService::createModelSet(set) : ModelService::getModelSet("s9", set),
                 result);
        const bool stored = !id.isEmpty();
        QCOMPARE(set.id, id);
        QCOMPARE(set.createdBy, stored ? QString("u1") : QString());
        QCOMPARE(set.name, stored ? QString("S") : QString());
        QCOMPARE(set.modelIds, (stored ? QStringList{"m1", "m2"} : QStringList()));
        QCOMPARE(set.createdAt,
                 stored ? QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::UTC) : QDateTime());
    }

    // The facade's model and model-set changes reach the server unchanged and
    // report its answer.
    void facadeForwards()
    {
        VHPrimaryData &facade = *VHPrimaryData::instance();
        m_server.on("DELETE", apiPath("model-service/models/m1"), ScriptedReply::text("", 500));
        QVERIFY(!facade.deleteModel("m1"));
        m_server.on("DELETE", apiPath("model-service/histories/h1"), ScriptedReply::text(""));
        QVERIFY(facade.deleteModelHistory("h1"));
        m_server.on("POST", apiPath("model-service/parse_models"), ScriptedReply::text("{}"));
        QVERIFY(facade.retryPreprocessModels({"m1"}));
        QCOMPARE(m_server.lastRequest().compactBody(), QString(R"({"modelIds":["m1"]})"));
        m_server.on("POST", apiPath("model-service/model_sets"),
                    ScriptedReply::text(R"({"_id":"s1"})"));
        VHModelSet set;
        QVERIFY(facade.createModelSet(set));
        QCOMPARE(set.id, QString("s1"));
        m_server.on("DELETE", apiPath("model-service/model_sets/s1"), ScriptedReply::text("", 404));
        QVERIFY(!facade.deleteModelSet("s1"));
        QCOMPARE(m_server.requestCount(), 5);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestModelRequests)
#include "tst_modelrequests.moc"
