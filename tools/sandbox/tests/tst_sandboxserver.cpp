#include "sandboxclient.h"

#include <QFile>
#include <QHttpMultiPart>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

const QRegularExpression
    kDateTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));

// The seed file's collections, read once: the file is large, and parsing it
// takes seconds under the sanitizers.
QJsonArray seedCollection(const QString &name)
{
    static const QJsonObject collections = [] {
        QFile file(QStringLiteral(VHPD_SANDBOX_SEED));
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object().value("collections").toObject();
    }();
    return collections.value(name).toArray();
}

QStringList ids(const QJsonArray &documents, const QString &key = QStringLiteral("_id"))
{
    QStringList result;
    for (const QJsonValue &document : documents)
        result.append(document.toObject().value(key).toString());
    return result;
}

QJsonObject firstWhere(const QJsonArray &documents, const QString &key, const QJsonValue &value)
{
    for (const QJsonValue &document : documents) {
        if (document.toObject().value(key) == value)
            return document.toObject();
    }
    return QJsonObject();
}

// "a.0.b": a member, an array index, a member.
QJsonValue at(QJsonValue value, const QString &path)
{
    for (const QString &part : path.split('.', Qt::SkipEmptyParts)) {
        bool isIndex = false;
        const int index = part.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(part);
    }
    return value;
}

// A printed entity that the first version of its model already held.
QJsonObject printedSinceFirstVersion()
{
    static const QJsonObject printed = [] {
        for (const QJsonValue &entity : seedCollection("entities")) {
            if (entity.toObject().value("printed").toBool() &&
                entity.toObject().value("sinceVersion").toInt() == 1)
                return entity.toObject();
        }
        return QJsonObject();
    }();
    return printed;
}

void verifyError(const HttpResult &reply, int status)
{
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.object().value("code").isDouble(), reply.body.constData());
    QVERIFY(!reply.object().value("message").toString().isEmpty());
}

QHttpMultiPart *modelForm(const QMap<QString, QByteArray> &fields, const QByteArray &file)
{
    auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QString("form-data; name=\"%1\"").arg(it.key()));
        part.setBody(it.value());
        form->append(part);
    }
    if (!file.isNull()) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       "form-data; name=\"file\"; filename=\"tower.dng\"");
        part.setBody(file);
        form->append(part);
    }
    return form;
}

} // namespace

// The sandbox over real HTTP: sessions, the query documents the library
// sends, changes that later reads see, and the shapes of the records.
//
// Loading the seed takes seconds under the sanitizers, so the tests share two
// servers, each test with a client and session of its own. Most read the seed
// as it is and change nothing but sessions and verification codes. The tests
// that change the seed's records work on a second server, through
// scratchSandbox(): each picks or creates the records it changes and compares
// counts with what it read before, so that they do not depend on one another.
class TestSandboxServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_seedServer.reset(new SandboxServer); }
    void cleanupTestCase()
    {
        m_scratchServer.reset();
        m_seedServer.reset();
    }
    void init() { m_client.reset(new SandboxClient(*m_seedServer)); }
    void cleanup() { m_client.reset(); }

    void sessionsGuardTheApi()
    {
        SandboxClient &c = *m_client;
        verifyError(c.get("account-service/projects?expand=true"), 401);

        HttpResult reply =
            c.post("account-service/login", QJsonObject{{"name", "demo"}, {"password", "wrong"}});
        verifyError(reply, 400);
        QCOMPARE(reply.object().value("code").toInt(), 10001);
        verifyError(c.post("account-service/login",
                           QJsonObject{{"name", "nobody"}, {"password", "demo123"}}),
                    400);

        reply =
            c.post("account-service/login", QJsonObject{{"name", "demo"}, {"password", "demo123"}});
        QCOMPARE(reply.status, 200);
        const QJsonObject user = reply.object();
        QVERIFY(user.value("token").isString());
        QVERIFY(!user.value("_id").toString().isEmpty());
        QCOMPARE(user.value("name").toString(), QString("demo"));
        QCOMPARE(user.value("nickName").toString(), QString("Demo User"));
        QVERIFY(user.value("visible").isBool());
        QVERIFY(!user.contains("password"));

        c.setToken(user.value("token").toString());
        QCOMPARE(c.get("account-service/projects?expand=true").status, 200);
        QJsonObject withoutToken = user;
        withoutToken.remove("token");
        QCOMPARE(c.get("account-service/users/" + user.value("_id").toString()).object(),
                 withoutToken);

        QCOMPARE(c.get("account-service/logout").status, 200);
        verifyError(c.get("account-service/projects?expand=true"), 401);
        c.setToken("not-a-token");
        verifyError(c.get("model-service/entitySettings/x"), 401);
    }

    void openEndpointsNeedNoSession_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("member");
        QTest::newRow("country codes") << "account-service/system/profile/countryCodes"
                                       << "countryCodes";
        QTest::newRow("server id") << "account-service/system/profile/serverId"
                                   << "serverId";
        QTest::newRow("touch") << "touch"
                               << "";
        QTest::newRow("update server")
            << "/updates/private_servers/vh-sandbox-3f9c2a71/verification?device=pc"
            << "";
    }
    void openEndpointsNeedNoSession()
    {
        QFETCH(QString, path);
        QFETCH(QString, member);
        const HttpResult reply = m_client->get(path);
        QCOMPARE(reply.status, 200);
        if (!member.isEmpty())
            QVERIFY(!reply.object().value(member).isUndefined());
    }

    void verificationCodeSignsInOnce()
    {
        SandboxClient &c = *m_client;
        const QJsonObject phone{
            {"phoneNumber", "13800000002"}, {"countryCode", "+86"}, {"type", "login"}};
        verifyError(c.post("account-service/securities?verify=false&debug=true",
                           QJsonObject{{"phoneNumber", "999"}, {"type", "login"}}),
                    400);
        const QString code = c.post("account-service/securities?verify=false&debug=true", phone)
                                 .object()
                                 .value("code")
                                 .toString();
        QVERIFY2(QRegularExpression("^\\d{6}$").match(code).hasMatch(), qPrintable(code));
        QVERIFY(
            !c.post("account-service/securities?verify=false", phone).object().contains("code"));
        // The request without "debug" issued a newer code; ask for one to use.
        const QString latest = c.post("account-service/securities?verify=false&debug=true", phone)
                                   .object()
                                   .value("code")
                                   .toString();

        QJsonObject check = phone;
        check.insert("verification", latest == "000000" ? "111111" : "000000");
        verifyError(c.post("account-service/securities?verify=true", check), 400);
        check.insert("verification", latest);
        QCOMPARE(c.post("account-service/securities?verify=true", check).status, 200);

        const QJsonObject login{{"name", "13800000002"}, {"code", latest}};
        const HttpResult first = c.post("account-service/login?code=true", login);
        QCOMPARE(first.status, 200);
        QCOMPARE(first.object().value("name").toString(), QString("li.wei"));
        const HttpResult again = c.post("account-service/login?code=true", login);
        verifyError(again, 400);
        QCOMPARE(again.object().value("code").toInt(), 10002);

        const QString fresh = c.post("account-service/securities?verify=false&debug=true", phone)
                                  .object()
                                  .value("code")
                                  .toString();
        HttpResult both =
            c.post("account-service/login?code=true&double=true",
                   QJsonObject{{"name", "li.wei"}, {"code", fresh}, {"password", "x"}});
        QCOMPARE(both.object().value("code").toInt(), 10001);
        both = c.post("account-service/login?code=true&double=true",
                      QJsonObject{{"name", "li.wei"}, {"code", fresh}, {"password", "Passw0rd!"}});
        QCOMPARE(both.status, 200);
    }

    void projectSearchCountsAndPages()
    {
        SandboxClient &c = *m_client;
        c.login();
        const QJsonArray mine = c.get("account-service/projects?expand=true").array();
        QCOMPARE(mine.size(), 9);
        int active = 0;
        for (const QJsonValue &project : mine)
            active += project.toObject().value("status").toInt() == 1 ? 1 : 0;

        // The where-text is followed by the literal "&expandPayment=true".
        const QString where = "account-service/projects?where={\"status\":1}&expandPayment=true";
        QCOMPARE(c.get(where + "&only_count=true").object(), (QJsonObject{{"count", active}}));
        QStringList paged;
        for (int skip = 0; skip < active + 2; skip += 2) {
            const QJsonArray page = c.get(where + QString("&skip=%1&limit=2").arg(skip)).array();
            QVERIFY(page.size() <= 2);
            for (const QJsonValue &project : page) {
                QCOMPARE(project.toObject().value("status").toInt(), 1);
                QVERIFY(project.toObject().value("payment").isObject());
                QVERIFY(!project.toObject().contains("capacity"));
            }
            paged += ids(page);
        }
        QCOMPARE(paged.size(), active);
        QCOMPARE(paged.removeDuplicates(), 0);

        const QJsonArray found =
            c.get("account-service/"
                  "projects?where={\"words\":\"LAKEVIEW\"}&expandPayment=true&skip=0&limit=20")
                .array();
        QCOMPARE(found.size(), 1);
        QCOMPARE(at(found, "0.name").toString(), QString("Lakeview Primary School Extension"));

        const QJsonObject hospital = firstWhere(mine, "name", "Riverside Medical Centre");
        const QString enterprise = hospital.value("enterpriseId").toString();
        const QString circle = hospital.value("circleId").toString();
        for (const QString &owner : {enterprise, circle}) {
            const QJsonArray owned =
                c.get(QString("account-service/"
                              "projects?where={\"circleId\":\"%1\",\"enterpriseId\":\"%1\"}"
                              "&expandPayment=true&skip=0&limit=20")
                          .arg(owner))
                    .array();
            QVERIFY(ids(owned).contains(hospital.value("_id").toString()));
        }
        const QJsonArray others =
            c.get(QString("account-service/projects?where={\"enterpriseId\":{\"$nin\":[\"%1\"]}}"
                          "&expandPayment=true&skip=0&limit=20")
                      .arg(enterprise))
                .array();
        QVERIFY(!others.isEmpty());
        for (const QJsonValue &project : others)
            QVERIFY(project.toObject().value("enterpriseId").toString() != enterprise);
    }

    void malformedQueriesGet400_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("where not JSON")
            << "account-service/projects?where={\"status\":&expandPayment=true&only_count=true";
        QTest::newRow("unknown operator")
            << "account-service/"
               "projects?where={\"status\":{\"$foo\":1}}&expandPayment=true&skip=0&limit=2";
        QTest::newRow("negative skip")
            << "account-service/projects?where={}&expandPayment=true&skip=-2&limit=2";
        QTest::newRow("queryParam an array")
            << "model-service/projects/%P%/entities?queryParam=%5B1%5D&only_count=true";
        QTest::newRow("empty $or")
            << "model-service/projects/%P%/extend_properties?where={\"$or\":[]}";
        QTest::newRow("broken pattern")
            << "model-service/projects/%P%/"
               "models?where={\"name\":{\"$regex\":\"(\"}}&auth=read&expand=true";
        QTest::newRow("unknown period")
            << "worksheet-service/projects/%P%/"
               "inspects_quantities_statistics?category=quality&personal=true&period=fortnight";
        QTest::newRow("history version not a number") << "model-service/models/%M%/x/1/compare";
    }
    void malformedQueriesGet400()
    {
        QFETCH(QString, path);
        m_client->login();
        const QString model =
            at(m_client
                   ->get("model-service/projects/" + hospital() + "/models?auth=read&expand=true")
                   .array(),
               "0._id")
                .toString();
        path.replace("%P%", hospital()).replace("%M%", model);
        verifyError(m_client->get(path), 400);
    }

    void entitySearchFollowsTheCondition()
    {
        SandboxClient &c = *m_client;
        c.login();
        const QString base = "model-service/projects/" + hospital() + "/entities?queryParam=";
        const auto count = [&](const QJsonObject &query) {
            const QString value = query.isEmpty() ? QString() : SandboxClient::encoded(query);
            return c.get(base + value + "&only_count=true").object().value("count").toInt(-1);
        };
        const int all = count({});
        const int printed = count({{"printed", true}});
        QVERIFY(all > 2000);
        QVERIFY(printed > 0 && printed < all);
        QCOMPARE(count({{"modelId", QJsonValue::Null}}), 0);

        const QJsonObject range{{"printed", true},
                                {"printedAt", QJsonObject{{"$gte", "2025-11-01T00:00:00.000Z"},
                                                          {"$lt", "2026-01-01T00:00:00.000Z"}}}};
        const int inRange = count(range);
        QVERIFY(inRange > 0 && inRange < printed);
        QString previous = "9999";
        int seen = 0;
        for (int skip = 0; skip < inRange; skip += 150) {
            const QJsonArray page = c.get(base + SandboxClient::encoded(range) +
                                          QString("&skip=%1&limit=150&order=-printedAt").arg(skip))
                                        .array();
            for (const QJsonValue &entity : page) {
                const QString printedAt = entity.toObject().value("printedAt").toString();
                QVERIFY(printedAt >= "2025-11-01" && printedAt < "2026-01-01");
                QVERIFY(printedAt <= previous);
                previous = printedAt;
                ++seen;
            }
        }
        QCOMPARE(seen, inRange);

        const QJsonArray trees =
            c.get("model-service/projects/" + hospital() + "/entityTrees").array();
        const QString model = at(trees, "0.modelId").toString();
        const QJsonObject floor = at(trees, "0.floors.1").toObject();
        const int wholeModel = count({{"modelId", model}});
        QCOMPARE(count({{"$or", QJsonArray{QJsonObject{{"modelId", model}}}}}), wholeModel);
        const QJsonObject floorOnly{
            {"modelId", model}, {"group", false}, {"floor", floor.value("floor")}};
        const int onFloor = count({{"$or", QJsonArray{floorOnly}}});
        QVERIFY(onFloor > 0 && onFloor < wholeModel);
        QCOMPARE(count({{"$or",
                         QJsonArray{QJsonObject{{"modelId", model}, {"group", true}}, floorOnly}}}),
                 onFloor + count({{"modelId", model}, {"group", true}}));

        const QJsonObject walls{{"name", QJsonObject{{"$regex", "WALL"}, {"$options", "i"}}}};
        const QJsonArray found =
            c.get(base + SandboxClient::encoded(walls) + "&skip=0&limit=50&order=-printedAt")
                .array();
        QCOMPARE(found.size(), 50);
        for (const QJsonValue &entity : found)
            QVERIFY(
                entity.toObject().value("name").toString().contains("wall", Qt::CaseInsensitive));
    }

    void createsAndDeletesShowInLaterReads()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QString project = hospital();
        const QStringList models =
            ids(c.get("model-service/projects/" + project + "/models?auth=read&expand=true")
                    .array())
                .mid(0, 2);

        HttpResult reply = c.post("model-service/model_sets",
                                  QJsonObject{{"projectId", project},
                                              {"name", "Night \"shift\" check"},
                                              {"modelIds", QJsonArray::fromStringList(models)}});
        QCOMPARE(reply.status, 200);
        const QJsonObject set = reply.object();
        QCOMPARE(set.value("createdBy").toString(), c.userId());
        QVERIFY(kDateTime.match(set.value("createdAt").toString()).hasMatch());
        QCOMPARE(c.get("model-service/model_sets/" + set.value("_id").toString()).object(), set);
        const QString mine = SandboxClient::compact(
            QJsonObject{{"createdBy", c.userId()}, {"name", "Night \"shift\" check"}});
        QCOMPARE(c.get("model-service/projects/" + project + "/model_sets?where=" + mine).array(),
                 QJsonArray{set});
        verifyError(
            c.post("model-service/model_sets", QJsonObject{{"projectId", project},
                                                           {"name", "Night \"shift\" check"},
                                                           {"modelIds", QJsonArray()}}),
            400);
        QCOMPARE(c.remove("model-service/model_sets/" + set.value("_id").toString()).status, 200);
        verifyError(c.get("model-service/model_sets/" + set.value("_id").toString()), 404);
        QCOMPARE(c.get("model-service/projects/" + project + "/model_sets?where=" + mine).array(),
                 QJsonArray());

        reply = c.post(
            "base-service/qr_templates",
            QJsonObject{{"projectId", project},
                        {"name", "Label 3"},
                        {"type", 2},
                        {"data", QJsonArray{QJsonObject{
                                     {"key", "Name"}, {"value", "name"}, {"property", true}}}}});
        const QString templateId = reply.object().value("_id").toString();
        QVERIFY(!templateId.isEmpty());
        reply = c.put("base-service/qr_templates/" + templateId, QJsonObject{{"name", "Label 4"}});
        QCOMPARE(reply.object().value("name").toString(), QString("Label 4"));
        QCOMPARE(reply.object().value("data").toArray().size(), 1);
        QCOMPARE(firstWhere(c.get("base-service/projects/" + project + "/qr_templates").array(),
                            "_id", templateId)
                     .value("name")
                     .toString(),
                 QString("Label 4"));
        QCOMPARE(c.remove("base-service/qr_templates/" + templateId).status, 200);
        QVERIFY(!ids(c.get("base-service/projects/" + project + "/qr_templates").array())
                     .contains(templateId));

        reply = c.post("account-service/projects", QJsonObject{{"name", "Pier 9 Ferry Terminal"},
                                                               {"description", ""},
                                                               {"location", "Quay 9"}});
        const QString created = reply.object().value("_id").toString();
        QVERIFY(!created.isEmpty());
        QCOMPARE(c.get("account-service/projects/" + created + "?expand=true")
                     .object()
                     .value("location"),
                 QJsonValue("Quay 9"));
        QVERIFY(ids(c.get("account-service/projects?expand=true").array()).contains(created));
        QCOMPARE(ids(c.get("account-service/projects/" + created + "/members?expand=true").array(),
                     "userId"),
                 QStringList{c.userId()});
    }

    void enterPutsTheProjectFirst()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QStringList before = ids(c.get("account-service/projects?expand=true").array());
        QCOMPARE(
            c.put("account-service/projects/" + before.last() + "/enter", QJsonObject()).status,
            200);
        const QStringList after = ids(c.get("account-service/projects?expand=true").array());
        QCOMPARE(after.first(), before.last());
        QCOMPARE(after.size(), before.size());
    }

    void membershipRequestsArePassedOrRejected()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QString project = hospital();
        QJsonArray waiting;
        for (const QJsonValue &request : seedCollection("member_requests")) {
            if (request.toObject().value("hostId") == project &&
                request.toObject().value("status").toInt() == 0)
                waiting.append(request);
        }
        QCOMPARE(waiting.size(), 2);
        const QString first = at(waiting, "0._id").toString();
        const QString second = at(waiting, "1._id").toString();
        const QString newcomer = at(waiting, "0.userId").toString();

        const QJsonObject request =
            c.get("account-service/member_requests/" + first + "?expand=true").object();
        QCOMPARE(request.value("status").toInt(), 0);
        QCOMPARE(at(request, "user._id").toString(), newcomer);
        QVERIFY(!at(request, "user.name").toString().isEmpty());

        const QString structure =
            at(c.get("account-service/projects/" + project + "/structures?order=createdAt").array(),
               "3._id")
                .toString();
        verifyError(c.put("account-service/member_requests/" + first + "/pass",
                          QJsonObject{{"remark", ""}, {"structureId", "elsewhere"}}),
                    400);
        HttpResult reply = c.put("account-service/member_requests/" + first + "/pass",
                                 QJsonObject{{"remark", "Welcome"}, {"structureId", structure}});
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.object().value("code").toInt(-1), 0);
        const QJsonObject member = firstWhere(
            c.get("account-service/projects/" + project + "/members?expand=true").array(), "userId",
            newcomer);
        QCOMPARE(member.value("structureId").toString(), structure);
        QVERIFY(member.value("user").isObject());
        const QJsonObject passed = c.get("account-service/member_requests/" + first).object();
        QCOMPARE(passed.value("status").toInt(), 1);
        QCOMPARE(at(passed, "approvedData.structureId").toString(), structure);
        QCOMPARE(at(passed, "approvedData.remark").toString(), QString("Welcome"));
        reply = c.put("account-service/member_requests/" + first + "/pass",
                      QJsonObject{{"remark", ""}, {"structureId", structure}});
        QCOMPARE(reply.object().value("code").toInt(), 40901);

        QCOMPARE(
            c.put("account-service/member_requests/" + second + "/reject", QJsonObject()).status,
            200);
        QCOMPARE(
            c.get("account-service/member_requests/" + second).object().value("status").toInt(), 2);
        verifyError(c.put("account-service/member_requests/" + second + "/reject", QJsonObject()),
                    400);
    }

    void printRecordsMarkEntitiesPrinted()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QString base = "model-service/projects/" + hospital() + "/entities?queryParam=";
        const QString printed = SandboxClient::encoded({{"printed", true}});
        const int before =
            c.get(base + printed + "&only_count=true").object().value("count").toInt();
        const QJsonObject entity =
            c.get(base + SandboxClient::encoded({{"printed", false}}) + "&skip=0&limit=1")
                .array()
                .at(0)
                .toObject();
        const QString id = entity.value("_id").toString();
        QVERIFY(!id.isEmpty());
        QVERIFY(!entity.contains("printedAt"));

        const QJsonArray records{QJsonObject{{"projectId", hospital()},
                                             {"rId", id},
                                             {"logo", "files/logos/northbridge.png"},
                                             {"type", 2},
                                             {"properties", QJsonArray{"Name: a", "Floor: L03"}}}};
        QCOMPARE(c.post("model-service/printRecords", records).status, 200);
        const QJsonArray stored = c.get("model-service/resource/" + id + "/printRecords").array();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(at(stored, "0.createdBy").toString(), c.userId());
        QCOMPARE(at(stored, "0.type"), QJsonValue(2));
        QCOMPARE(at(stored, "0.properties.1").toString(), QString("Floor: L03"));
        QVERIFY(kDateTime.match(at(stored, "0.createdAt").toString()).hasMatch());

        QCOMPARE(c.get(base + printed + "&only_count=true").object().value("count").toInt(),
                 before + 1);
        const QJsonObject now =
            c.get(base + SandboxClient::encoded({{"_id", id}})).array().at(0).toObject();
        QCOMPARE(now.value("printed"), QJsonValue(true));
        QCOMPARE(now.value("printedBy").toString(), c.userId());
        QCOMPARE(now.value("printedAt"), at(stored, "0.createdAt"));
    }

    void uploadsCreateModelsAndVersions()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QString project = hospital();
        const QJsonArray tags =
            c.get("model-service/projects/" + project + "/model_tags?auth=read").array();
        const QByteArray tagText = QJsonDocument(QJsonArray{at(tags, "0._id"), at(tags, "4._id")})
                                       .toJson(QJsonDocument::Compact);
        const QByteArray file(12345, 'x');
        QMap<QString, QByteArray> fields{{"projectId", project.toUtf8()},
                                         {"name", "Block C - Concept"},
                                         {"remark", "first issue"},
                                         {"tags", tagText}};

        verifyError(c.sendForm("POST", "model-service/models/dng", modelForm(fields, QByteArray())),
                    400);
        QMap<QString, QByteArray> wrongTag = fields;
        wrongTag.insert("tags", "[\"no-such-tag\",\"\"]");
        verifyError(c.sendForm("POST", "model-service/models/dng", modelForm(wrongTag, file)), 400);

        HttpResult reply = c.sendForm("POST", "model-service/models/dng", modelForm(fields, file));
        QCOMPARE(reply.status, 200);
        const QJsonObject model = reply.object();
        const QString id = model.value("_id").toString();
        QCOMPARE(model.value("modelId").toString(), id);
        QCOMPARE(model.value("version"), QJsonValue(1));
        QCOMPARE(model.value("modelSize"), QJsonValue(12345));
        QCOMPARE(model.value("tags").toArray(), QJsonDocument::fromJson(tagText).array());
        QCOMPARE(model.value("authorized"), QJsonValue(true));

        fields.insert("name", "");
        fields.insert("remark", "second issue");
        fields.insert("tags", "[\"\",\"\"]");
        reply = c.sendForm("PUT", "model-service/models/" + id + "/dng",
                           modelForm(fields, QByteArray(20000, 'y')));
        QCOMPARE(reply.status, 200);
        const QJsonObject current = c.get("model-service/models/" + id + "?expand=true").object();
        QCOMPARE(current.value("version"), QJsonValue(2));
        QCOMPARE(current.value("name").toString(), QString("Block C - Concept"));
        QCOMPARE(current.value("tags"), model.value("tags"));
        const QJsonArray history = c.get("model-service/models/" + id + "/histories").array();
        QCOMPARE(history.size(), 2);
        QCOMPARE(at(history, "0.version"), QJsonValue(2));
        QCOMPARE(at(history, "0.modelId").toString(), id);
        QVERIFY(at(history, "0._id").toString() != id);
        QCOMPARE(at(history, "1.remark").toString(), QString("first issue"));
        QVERIFY(ids(c.get("model-service/projects/" + project + "/recent_upload").array())
                    .contains(id));
    }

    void versionsCompareBothWays()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QJsonObject model = firstWhere(
            c.get("model-service/projects/" + hospital() + "/models?auth=read&expand=true").array(),
            "version", 4);
        const QString id = model.value("_id").toString();
        QVERIFY(!id.isEmpty());
        const QJsonArray forward = c.get("model-service/models/" + id + "/1/4/compare").array();
        const QJsonArray backward = c.get("model-service/models/" + id + "/4/1/compare").array();
        QCOMPARE(forward.size(), backward.size());
        QMap<QString, QStringList> byStatus;
        for (int i = 0; i < forward.size(); ++i) {
            const QString status = at(forward, QString("%1.status").arg(i)).toString();
            const QString reverse = at(backward, QString("%1.status").arg(i)).toString();
            QCOMPARE(at(forward, QString("%1.uuid").arg(i)),
                     at(backward, QString("%1.uuid").arg(i)));
            QCOMPARE(reverse, status == "add"   ? QString("del")
                              : status == "del" ? QString("add")
                                                : status);
            byStatus[status].append(at(forward, QString("%1.uuid").arg(i)).toString());
        }
        QVERIFY(!byStatus.value("add").isEmpty());
        QVERIFY(!byStatus.value("del").isEmpty());
        QVERIFY(!byStatus.value("mod").isEmpty());
        QVERIFY(!firstWhere(forward, "status", "mod").value("diff").toString().isEmpty());

        const QString path = "model-service/models/" + id + "/%1/1/4/compare";
        const QJsonObject modified = c.get(path.arg(byStatus.value("mod").first())).object();
        const QJsonObject base = modified.value("property_base").toObject();
        const QJsonObject other = modified.value("property_compare").toObject();
        QVERIFY(base.value("entityId").isDouble());
        QCOMPARE(base.value("name"), other.value("name"));
        QCOMPARE(at(base, "properties.0.group").toString(), QString("Identity"));
        QVERIFY(base.value("properties") != other.value("properties"));
        const QJsonObject added = c.get(path.arg(byStatus.value("add").first())).object();
        QVERIFY(added.value("property_base").toObject().isEmpty());
        QVERIFY(!added.value("property_compare").toObject().isEmpty());
        verifyError(c.get("model-service/models/" + id + "/1/9/compare"), 404);

        const QJsonArray history = c.get("model-service/models/" + id + "/histories").array();
        verifyError(c.remove("model-service/histories/" + at(history, "0._id").toString()), 400);
        QCOMPARE(
            c.get("model-service/models/" + id + "/histories?where={\"version\":2}").array().size(),
            1);
        QCOMPARE(c.remove("model-service/histories/" + at(history, "2._id").toString()).status,
                 200);
        QCOMPARE(c.get("model-service/models/" + id + "/histories?where={\"version\":2}").array(),
                 QJsonArray());
        QCOMPARE(c.get("model-service/models/" + id + "/histories").array().size(), 3);
    }

    void mergedPropertiesRoundTrip()
    {
        SandboxClient &c = scratchSandbox();
        c.login();
        const QString base = "model-service/projects/" + hospital() + "/extend_properties";
        const QJsonArray documents =
            c.get(base + "?where={\"properties.key\":\"Supplier\"}").array();
        QVERIFY(documents.size() > 2);
        const QStringList uuids = ids(documents, "uuid").mid(0, 2);
        const QString byUuids = SandboxClient::encoded(
            {{"uuid", QJsonObject{{"$in", QJsonArray::fromStringList(uuids)}}}});

        QCOMPARE(c.put(base, QJsonObject{{"projectId", hospital()},
                                         {"uuids", QJsonArray::fromStringList(uuids)},
                                         {"properties",
                                          QJsonArray{QJsonObject{{"category", "Quality"},
                                                                 {"key", "Status"},
                                                                 {"value", "Accepted"}},
                                                     QJsonObject{{"category", "Procurement"},
                                                                 {"key", "Supplier"},
                                                                 {"value", ""}}}}})
                     .status,
                 200);
        const QJsonObject merged = c.get(base + "?merge=true&queryParam=" + byUuids).object();
        QCOMPARE(merged.value("properties").toArray().size(), 2);
        QCOMPARE(firstWhere(merged.value("properties").toArray(), "key", "Status").value("value"),
                 QJsonValue("Accepted"));
        const QJsonArray after = c.get(base + "?queryParam=" + byUuids).array();
        QCOMPARE(after.size(), 2);
        for (const QJsonValue &document : after) {
            const QJsonObject before =
                firstWhere(documents, "uuid", document.toObject().value("uuid"));
            QCOMPARE(
                firstWhere(document.toObject().value("properties").toArray(), "key", "Supplier")
                    .value("value"),
                firstWhere(before.value("properties").toArray(), "key", "Supplier").value("value"));
        }
        const QString one = SandboxClient::compact({{"uuid", uuids.first()}});
        QCOMPARE(c.get(base + "?where=" + one).array().size(), 1);
    }

    void recordsHaveTheShapesClientsRead_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("kind");
        QTest::newRow("project id") << "account-service/projects?expand=true"
                                    << "0._id"
                                    << "string";
        QTest::newRow("project date") << "account-service/projects?expand=true"
                                      << "0.startAt"
                                      << "date";
        QTest::newRow("project address") << "account-service/projects?expand=true"
                                         << "0.address.city"
                                         << "string";
        QTest::newRow("project picture") << "account-service/projects?expand=true"
                                         << "0.pictures.0.fileId"
                                         << "string";
        QTest::newRow("project status") << "account-service/projects?expand=true"
                                        << "0.status"
                                        << "number";
        QTest::newRow("member visible") << "account-service/projects/%P%/members?expand=true"
                                        << "0.visible"
                                        << "bool";
        QTest::newRow("member name") << "account-service/projects/%P%/members?expand=true"
                                     << "0.user.nickName"
                                     << "string";
        QTest::newRow("structure level")
            << "account-service/projects/%P%/structures?order=createdAt"
            << "1.level"
            << "number";
        QTest::newRow("module flag") << "account-service/projects/%P%/modules?authorized=all"
                                     << "0.enable"
                                     << "bool";
        QTest::newRow("module name") << "account-service/projects/%P%/modules?authorized=all"
                                     << "0.i18n.en_US"
                                     << "string";
        QTest::newRow("module group type") << "account-service/module_groups?device=pc"
                                           << "0.type"
                                           << "string";
        QTest::newRow("capacity code")
            << "account-service/projects/%P%/used_capacity?check=true&size=1"
            << "code"
            << "number";
        QTest::newRow("model size") << "model-service/projects/%P%/models?auth=read&expand=true"
                                    << "10.modelSize"
                                    << "number";
        QTest::newRow("model authorized")
            << "model-service/projects/%P%/models?auth=read&expand=true"
            << "0.authorized"
            << "bool";
        QTest::newRow("model date") << "model-service/projects/%P%/models?auth=read&expand=true"
                                    << "0.updatedAt"
                                    << "date";
        QTest::newRow("model tags") << "model-service/projects/%P%/models?auth=read&expand=true"
                                    << "0.tags.1"
                                    << "string";
        QTest::newRow("tag type default") << "model-service/projects/%P%/model_tag_types"
                                          << "0.default"
                                          << "bool";
        QTest::newRow("edit right") << "model-service/projects/%P%/auth?key=edit"
                                    << "value"
                                    << "string";
        QTest::newRow("entity domain")
            << "model-service/projects/%P%/entities?queryParam=&skip=0&limit=1&order=-printedAt"
            << "0.domain"
            << "number";
        QTest::newRow("entity element id")
            << "model-service/projects/%P%/entities?queryParam=&skip=0&limit=1&order=-printedAt"
            << "0.entityId"
            << "string";
        QTest::newRow("entity printed at")
            << "model-service/projects/%P%/entities?queryParam=&skip=0&limit=1&order=-printedAt"
            << "0.printedAt"
            << "date";
        QTest::newRow("tree category") << "model-service/projects/%P%/entityTrees"
                                       << "0.floors.0.domains.0.categories.0.category"
                                       << "number";
        QTest::newRow("tree group") << "model-service/projects/%P%/entityTrees"
                                    << "0.group"
                                    << "bool";
        QTest::newRow("property display") << "model-service/entitySettings/%P%"
                                          << "0.visible"
                                          << "bool";
        QTest::newRow("print record date") << "model-service/resource/%E%/printRecords"
                                           << "0.createdAt"
                                           << "date";
        QTest::newRow("viewer domain") << "model-service/tesselo/models/%M%/entities/%I%?version=1"
                                       << "data.domain"
                                       << "string";
        QTest::newRow("QR setting type")
            << "base-service/qrSettings?where={\"hostId\":\"%P%\",\"userId\":null}"
            << "type"
            << "number";
        QTest::newRow("QR template item") << "base-service/projects/%P%/qr_templates"
                                          << "0.data.0.property"
                                          << "bool";
        QTest::newRow("contact sheet total")
            << "worksheet-service/projects/%P%/"
               "contactsheets_statistics?dimensions=[\"status\"]&personal=true&needApply=true"
            << "items.0.total"
            << "number";
        QTest::newRow("inspection situation") << "worksheet-service/projects/%P%/"
                                                 "inspects_statistics?personal=true&dimensions=["
                                                 "\"status\",\"situation\"]&category=quality"
                                              << "items.0.items.0.situation"
                                              << "string";
        QTest::newRow("inspection deadline")
            << "worksheet-service/projects/%P%/"
               "inspects?where={\"status\":{\"$in\":[\"1\",\"2\",\"3\",\"4\"]}}&category=quality"
            << "0.deadline"
            << "date";
        QTest::newRow("quantity year")
            << "worksheet-service/projects/%P%/"
               "inspects_quantities_statistics?category=quality&personal=true&period=week"
            << "0.year"
            << "number";
        QTest::newRow("period property") << "ka-reth-service/velto/periods/%Q%"
                                         << "0.properties.0.key"
                                         << "string";
        QTest::newRow("build number text")
            << "/updates/private_servers/vh-sandbox-3f9c2a71/verification?device=pc"
            << "1.build"
            << "digits";
        QTest::newRow("forced flag")
            << "/updates/private_servers/vh-sandbox-3f9c2a71/verification?device=pc"
            << "1.forced"
            << "bool";
    }
    void recordsHaveTheShapesClientsRead()
    {
        QFETCH(QString, path);
        QFETCH(QString, member);
        QFETCH(QString, kind);
        m_client->login();
        const QJsonObject printed = printedSinceFirstVersion();
        const QJsonObject period = seedCollection("periods").at(0).toObject();
        path.replace("%P%", hospital())
            .replace("%E%", printed.value("_id").toString())
            .replace("%M%", printed.value("modelId").toString())
            .replace("%I%", printed.value("entityId").toString())
            .replace("%Q%", period.value("code").toString());
        const HttpResult reply = m_client->get(path);
        QCOMPARE(reply.status, 200);
        const QJsonValue value =
            at(reply.json().isArray() ? QJsonValue(reply.array()) : QJsonValue(reply.object()),
               member);
        if (kind == "string")
            QVERIFY2(value.isString(), reply.body.left(300).constData());
        else if (kind == "number")
            QVERIFY2(value.isDouble(), reply.body.left(300).constData());
        else if (kind == "bool")
            QVERIFY2(value.isBool(), reply.body.left(300).constData());
        else if (kind == "date")
            QVERIFY2(kDateTime.match(value.toString()).hasMatch(), qPrintable(value.toString()));
        else if (kind == "digits")
            QVERIFY2(QRegularExpression("^\\d+$").match(value.toString()).hasMatch(),
                     qPrintable(value.toString()));
    }

    void capacityCheckAnswers206WhenFull()
    {
        m_client->login();
        const QString school = m_client->projectId("Lakeview");
        const QString check =
            "account-service/projects/" + school + "/used_capacity?check=true&size=%1";
        QCOMPARE(m_client->get(check.arg(1000)).object().value("code").toInt(), 200);
        const HttpResult full = m_client->get(check.arg(qint64(5000000000)));
        QCOMPARE(full.status, 200);
        QCOMPARE(full.object().value("code").toInt(), 206);
    }

    void projectDataIsForMembersOnly()
    {
        m_client->login("grace.kim", "Passw0rd!");
        verifyError(
            m_client->get("account-service/projects/" +
                          seedCollection("projects").at(0).toObject().value("_id").toString() +
                          "/members?expand=true"),
            403);
        verifyError(m_client->get("account-service/projects/nonexistent?expand=true"), 404);
        QCOMPARE(m_client->get("account-service/projects?expand=true").array(), QJsonArray());
    }

    void touchCanRedirect()
    {
        QCOMPARE(m_client->get("touch").status, 200);
        // The redirect does not depend on the data: a small seed loads at once.
        const SandboxServer server("http://elsewhere.example:9/",
                                   R"({"collections": {"meta": []}})");
        SandboxClient moved(server);
        const HttpResult reply = moved.get("touch");
        QCOMPARE(reply.status, 301);
        QCOMPARE(reply.headers.value("location"),
                 QByteArray("http://elsewhere.example:9/v1/touch"));
    }

    // Stopped by a stop request (vhpd-sandbox --stop PID) on every platform,
    // and by SIGTERM on POSIX (on Windows QProcess::terminate() posts a
    // window message, which a console program never receives).
    void programListensOnAFreePortAndStops_data()
    {
        QTest::addColumn<bool>("byRequest");
        QTest::newRow("stop request") << true;
#ifdef Q_OS_UNIX
        QTest::newRow("SIGTERM") << false;
#endif
    }
    void programListensOnAFreePortAndStops()
    {
        QFETCH(bool, byRequest);
        QProcess program;
        program.start(VHPD_SANDBOX_BINARY, {"--port", "0"});
        QVERIFY(program.waitForReadyRead(10000));
        const QString line = QString::fromUtf8(program.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression("^listening on http://127\\.0\\.0\\.1:(\\d+)$").match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));

        QNetworkAccessManager manager;
        QNetworkReply *reply =
            manager.get(QNetworkRequest(QUrl("http://127.0.0.1:" + match.captured(1) +
                                             "/v1/account-service/system/profile/serverId")));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(QJsonDocument::fromJson(reply->readAll()).object().value("serverId").toString(),
                 QString("vh-sandbox-3f9c2a71"));
        delete reply;
        manager.clearConnectionCache();

        if (byRequest) {
            QProcess stop;
            stop.start(VHPD_SANDBOX_BINARY, {"--stop", QString::number(program.processId())});
            QVERIFY(stop.waitForFinished(10000));
            QCOMPARE(stop.exitCode(), 0);
        } else {
            program.terminate();
        }
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // Nothing is left to stop: the request says so.
        QProcess again;
        again.start(VHPD_SANDBOX_BINARY, {"--stop", QString::number(program.processId())});
        QVERIFY(again.waitForFinished(10000));
        QCOMPARE(again.exitCode(), 1);

        QProcess broken;
        broken.start(VHPD_SANDBOX_BINARY, {"--port", "0", "--data", "/nonexistent/seed.json"});
        QVERIFY(broken.waitForFinished(10000));
        QCOMPARE(broken.exitCode(), 1);
        QVERIFY(broken.readAllStandardError().contains("cannot read"));
    }

private:
    // Points m_client at the server for the tests that change records,
    // started on first use.
    SandboxClient &scratchSandbox()
    {
        if (!m_scratchServer)
            m_scratchServer.reset(new SandboxServer);
        m_client.reset(new SandboxClient(*m_scratchServer));
        return *m_client;
    }

    // Needs a signed-in client. The same in every sandbox: they load the same seed.
    QString hospital()
    {
        if (m_hospital.isEmpty())
            m_hospital = m_client->projectId("Riverside");
        return m_hospital;
    }

    std::unique_ptr<SandboxServer> m_seedServer;
    std::unique_ptr<SandboxServer> m_scratchServer;
    std::unique_ptr<SandboxClient> m_client; // destroyed before the server it talks to
    QString m_hospital;
};

QTEST_GUILESS_MAIN(TestSandboxServer)
#include "tst_sandboxserver.moc"
