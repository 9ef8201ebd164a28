#include "api.h"
#include "listing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using Query = QMap<QString, QString>;

namespace {

ApiRequest request(const QString &method, const QString &service, const QString &path,
                   const QMap<QString, QString> &query = {})
{
    ApiRequest r;
    r.method = method;
    r.service = service;
    r.path = path;
    r.query = query;
    return r;
}

QJsonDocument json(const ApiReply &reply)
{
    return QJsonDocument::fromJson(reply.body);
}

// Ten documents "n" 0..9; every third has no "at", the others descend in time.
QList<QJsonObject> numbered()
{
    QList<QJsonObject> documents;
    for (int n = 0; n < 10; ++n) {
        QJsonObject document{{QStringLiteral("n"), n}, {QStringLiteral("secret"), true}};
        if (n % 3 != 0)
            document.insert(
                QStringLiteral("at"),
                QStringLiteral("2026-01-%1T00:00:00.000Z").arg(20 - n, 2, 10, QLatin1Char('0')));
        documents.append(document);
    }
    return documents;
}

QList<int> numbers(const QJsonArray &array)
{
    QList<int> result;
    for (const QJsonValue &value : array)
        result.append(value.toObject().value(QLatin1String("n")).toInt(-1));
    return result;
}

} // namespace

// Routing by method, service and path pattern, and the paging, ordering and
// counting every list endpoint shares.
class TestSandboxRouting : public QObject
{
    Q_OBJECT
private slots:
    void routesBindPathParameters()
    {
        RouteTable routes;
        routes.add("GET", "account-service", "projects/:projectId/members/:userId",
                   [](const ApiRequest &r) {
                       return ApiReply::json(
                           QJsonObject{{"p", r.param("projectId")}, {"u", r.param("userId")}});
                   });
        const ApiReply reply =
            routes.dispatch(request("GET", "account-service", "projects/p1/members/u7"));
        QCOMPARE(reply.status, 200);
        QCOMPARE(json(reply).object(), (QJsonObject{{"p", "p1"}, {"u", "u7"}}));
    }

    void unmatchedRequests_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("known path, other method") << "DELETE"
                                                  << "model-service"
                                                  << "models/m1" << 405;
        QTest::newRow("unknown path") << "GET"
                                      << "model-service"
                                      << "models/m1/x" << 404;
        QTest::newRow("path of another service") << "GET"
                                                 << "base-service"
                                                 << "models/m1" << 404;
        QTest::newRow("trailing slash is another path") << "GET"
                                                        << "model-service"
                                                        << "models/" << 404;
    }
    void unmatchedRequests()
    {
        QFETCH(QString, method);
        QFETCH(QString, service);
        QFETCH(QString, path);
        QFETCH(int, status);
        RouteTable routes;
        routes.add("GET", "model-service", "models/:modelId",
                   [](const ApiRequest &) { return ApiReply::json(QJsonObject()); });
        const ApiReply reply = routes.dispatch(request(method, service, path));
        QCOMPARE(reply.status, status);
        QVERIFY(json(reply).object().value("code").isDouble());
        QVERIFY(!json(reply).object().value("message").toString().isEmpty());
    }

    void literalRouteAndParameterRouteShareAPath()
    {
        RouteTable routes;
        routes.add("GET", "model-service", "models/:modelId", [](const ApiRequest &r) {
            return ApiReply::json(QJsonObject{{"id", r.param("modelId")}});
        });
        routes.add("POST", "model-service", "models/dng", [](const ApiRequest &) {
            return ApiReply::json(QJsonObject{{"upload", true}});
        });
        QCOMPARE(json(routes.dispatch(request("POST", "model-service", "models/dng"))).object(),
                 (QJsonObject{{"upload", true}}));
        QCOMPARE(json(routes.dispatch(request("GET", "model-service", "models/dng"))).object(),
                 (QJsonObject{{"id", "dng"}}));
    }

    void pages_data()
    {
        QTest::addColumn<Query>("query");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("everything in stored order")
            << Query{} << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("skip and limit")
            << Query{{"skip", "2"}, {"limit", "3"}} << QList<int>{2, 3, 4};
        QTest::newRow("limit 0 means no limit")
            << Query{{"skip", "8"}, {"limit", "0"}} << QList<int>{8, 9};
        QTest::newRow("limit past the end")
            << Query{{"skip", "7"}, {"limit", "20"}} << QList<int>{7, 8, 9};
        QTest::newRow("skip past the end")
            << Query{{"skip", "40"}, {"limit", "20"}} << QList<int>{};
        QTest::newRow("newest first, undated last")
            << Query{{"order", "-at"}} << QList<int>{1, 2, 4, 5, 7, 8, 0, 3, 6, 9};
        QTest::newRow("oldest first, undated first")
            << Query{{"order", "at"}} << QList<int>{0, 3, 6, 9, 8, 7, 5, 4, 2, 1};
        QTest::newRow("ordered, then paged")
            << Query{{"order", "-at"}, {"skip", "5"}, {"limit", "2"}} << QList<int>{8, 0};
        QTest::newRow("huge limit does not overflow")
            << Query{{"skip", "9"}, {"limit", "2147483647"}} << QList<int>{9};
    }
    void pages()
    {
        QFETCH(Query, query);
        QFETCH(QList<int>, expected);
        const ApiReply reply =
            Listing::page(request("GET", "s", "p", query), numbered(), Listing::hiding({"secret"}));
        QCOMPARE(reply.status, 200);
        const QJsonArray shown = json(reply).array();
        QCOMPARE(numbers(shown), expected);
        for (const QJsonValue &value : shown)
            QVERIFY(!value.toObject().contains("secret"));
    }

    void onlyCountIgnoresPaging()
    {
        const ApiReply reply = Listing::page(
            request("GET", "s", "p", {{"only_count", "true"}, {"skip", "3"}, {"limit", "2"}}),
            numbered(), Listing::hiding({}));
        QCOMPARE(json(reply).object(), (QJsonObject{{"count", 10}}));
    }

    void malformedPagingIsRefused_data()
    {
        QTest::addColumn<Query>("query");
        QTest::newRow("negative skip") << Query{{"skip", "-1"}};
        QTest::newRow("limit not a number") << Query{{"limit", "ten"}};
        QTest::newRow("empty limit") << Query{{"limit", ""}};
        QTest::newRow("order without a field") << Query{{"order", "-"}};
    }
    void malformedPagingIsRefused()
    {
        QFETCH(Query, query);
        const ApiReply reply =
            Listing::page(request("GET", "s", "p", query), numbered(), Listing::hiding({}));
        QCOMPARE(reply.status, 400);
        QCOMPARE(json(reply).object().value("code").toInt(), 40000);
    }

    void queryParameterIsReadAndChecked()
    {
        QJsonObject query;
        ApiReply failure;
        QVERIFY(Listing::readQuery(request("GET", "s", "p", {{"where", R"({"n":{"$gte":7}})"}}),
                                   "where", query, failure));
        QList<int> kept;
        for (const QJsonObject &d : Listing::filter(numbered(), query))
            kept.append(d.value("n").toInt());
        QCOMPARE(kept, (QList<int>{7, 8, 9}));

        QVERIFY(Listing::readQuery(request("GET", "s", "p"), "queryParam", query, failure));
        QVERIFY(query.isEmpty());

        QVERIFY(
            !Listing::readQuery(request("GET", "s", "p", {{"queryParam", "{\"n\":{\"$x\":1}}"}}),
                                "queryParam", query, failure));
        QCOMPARE(failure.status, 400);
        QVERIFY(json(failure).object().value("message").toString().startsWith("queryParam: "));
    }
};

QTEST_GUILESS_MAIN(TestSandboxRouting)
#include "tst_sandboxrouting.moc"
