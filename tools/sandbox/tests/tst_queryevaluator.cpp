#include "queryevaluator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonObject object(const char *json)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
    Q_ASSERT(document.isObject());
    return document.object();
}

} // namespace

// The query documents the service's clients send, evaluated against stored
// documents the way MongoDB does, and refused when they cannot be evaluated.
class TestQueryEvaluator : public QObject
{
    Q_OBJECT
private slots:
    void matches_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("expected");

        const QByteArray entity = R"({"_id":"e1","name":"Basic Wall: Exterior","modelId":"m1",
            "group":false,"floor":"L03","domain":1,"category":101,"printed":true,
            "printedAt":"2026-01-10T08:00:00.000Z","printedBy":"u1","tags":["t1","t2"],
            "address":{"city":"Shenzhen"},
            "properties":[{"category":"Quality","key":"Status","value":"Accepted"},
                          {"category":"Procurement","key":"Supplier","value":"Pearl River"}]})";

        QTest::newRow("empty query") << entity << QByteArray("{}") << true;
        QTest::newRow("string equal") << entity << QByteArray(R"({"floor":"L03"})") << true;
        QTest::newRow("string differs") << entity << QByteArray(R"({"floor":"L04"})") << false;
        QTest::newRow("number equal") << entity << QByteArray(R"({"domain":1})") << true;
        QTest::newRow("number is not its text")
            << entity << QByteArray(R"({"domain":"1"})") << false;
        QTest::newRow("bool equal") << entity << QByteArray(R"({"printed":true})") << true;
        QTest::newRow("bool differs") << entity << QByteArray(R"({"group":true})") << false;
        QTest::newRow("all conditions hold")
            << entity << QByteArray(R"({"floor":"L03","domain":1,"printed":true})") << true;
        QTest::newRow("one condition fails")
            << entity << QByteArray(R"({"floor":"L03","domain":2})") << false;
        QTest::newRow("null matches a missing field")
            << entity << QByteArray(R"({"deletedAt":null})") << true;
        QTest::newRow("null does not match a value")
            << entity << QByteArray(R"({"modelId":null})") << false;
        QTest::newRow("array field holds the value")
            << entity << QByteArray(R"({"tags":"t2"})") << true;
        QTest::newRow("whole array equal")
            << entity << QByteArray(R"({"tags":["t1","t2"]})") << true;
        QTest::newRow("sub-document path")
            << entity << QByteArray(R"({"address.city":"Shenzhen"})") << true;
        QTest::newRow("path through an array of sub-documents")
            << entity << QByteArray(R"({"properties.key":"Supplier"})") << true;
        QTest::newRow("path through an array, no element matches")
            << entity << QByteArray(R"({"properties.key":"Batch"})") << false;
        QTest::newRow("missing path") << entity << QByteArray(R"({"address.road":"x"})") << false;

        QTest::newRow("$eq") << entity << QByteArray(R"({"floor":{"$eq":"L03"}})") << true;
        QTest::newRow("$ne") << entity << QByteArray(R"({"floor":{"$ne":"L03"}})") << false;
        QTest::newRow("$ne null needs a value")
            << entity << QByteArray(R"({"deletedAt":{"$ne":null}})") << false;
        QTest::newRow("$in holds")
            << entity << QByteArray(R"({"category":{"$in":[5,101]}})") << true;
        QTest::newRow("$in misses")
            << entity << QByteArray(R"({"category":{"$in":[5,7]}})") << false;
        QTest::newRow("$in empty") << entity << QByteArray(R"({"modelId":{"$in":[]}})") << false;
        QTest::newRow("$in null matches a missing field")
            << entity << QByteArray(R"({"deletedBy":{"$in":[null,"u9"]}})") << true;
        QTest::newRow("$in on an array field")
            << entity << QByteArray(R"({"tags":{"$in":["t9","t1"]}})") << true;
        QTest::newRow("$nin excludes")
            << entity << QByteArray(R"({"printedBy":{"$nin":["u1"]}})") << false;
        QTest::newRow("$nin passes")
            << entity << QByteArray(R"({"printedBy":{"$nin":["u2"]}})") << true;
        QTest::newRow("$nin passes a missing field")
            << entity << QByteArray(R"({"enterpriseId":{"$nin":["e1"]}})") << true;
        QTest::newRow("$nin with null excludes a missing field")
            << entity << QByteArray(R"({"enterpriseId":{"$nin":[null]}})") << false;

        QTest::newRow("date range holds")
            << entity << QByteArray(R"({"printedAt":{"$gte":"2026-01-10T08:00:00.000Z",
                                            "$lt":"2026-01-11T08:00:00.000Z"}})")
            << true;
        QTest::newRow("range end is exclusive")
            << entity << QByteArray(R"({"printedAt":{"$lt":"2026-01-10T08:00:00.000Z"}})") << false;
        QTest::newRow("range start is inclusive")
            << entity << QByteArray(R"({"printedAt":{"$gte":"2026-01-10T08:00:00.000Z"}})") << true;
        QTest::newRow("range on a missing field")
            << entity << QByteArray(R"({"finishedAt":{"$gte":"2020-01-01T00:00:00.000Z"}})")
            << false;
        QTest::newRow("numbers compare by value")
            << entity << QByteArray(R"({"category":{"$gt":99,"$lte":101}})") << true;
        QTest::newRow("a number is not compared with a text")
            << entity << QByteArray(R"({"category":{"$gte":"1"}})") << false;

        QTest::newRow("$regex case-insensitive")
            << entity << QByteArray(R"({"name":{"$regex":"wall","$options":"i"}})") << true;
        QTest::newRow("$regex case-sensitive")
            << entity << QByteArray(R"({"name":{"$regex":"wall"}})") << false;
        QTest::newRow("$regex anywhere in the text")
            << entity << QByteArray(R"({"name":{"$regex":"Exter"}})") << true;
        QTest::newRow("$regex text is a pattern: dot matches any character")
            << entity << QByteArray(R"({"name":{"$regex":"Basic.Wall"}})") << true;
        QTest::newRow("$regex anchored")
            << entity << QByteArray(R"({"name":{"$regex":"^Wall"}})") << false;
        QTest::newRow("$regex ignores numbers")
            << entity << QByteArray(R"({"domain":{"$regex":"1"}})") << false;
        QTest::newRow("$regex through an array of sub-documents")
            << entity << QByteArray(R"({"properties.value":{"$regex":"pearl","$options":"i"}})")
            << true;
        QTest::newRow("$exists true")
            << entity << QByteArray(R"({"printedAt":{"$exists":true}})") << true;
        QTest::newRow("$exists false")
            << entity << QByteArray(R"({"printedAt":{"$exists":false}})") << false;

        QTest::newRow("$or one branch holds")
            << entity << QByteArray(R"({"$or":[{"modelId":"m2"},{"modelId":"m1"}]})") << true;
        QTest::newRow("$or no branch holds")
            << entity << QByteArray(R"({"$or":[{"modelId":"m2"},{"floor":"L01"}]})") << false;
        QTest::newRow("$or with other conditions")
            << entity << QByteArray(R"({"$or":[{"modelId":"m1"}],"printed":false})") << false;
        QTest::newRow("$or of selection-tree alternatives")
            << entity << QByteArray(R"({"$or":[{"group":true,"modelId":"m1"},
                {"category":{"$in":[101,102]},"domain":1,"floor":"L03","group":false,
                 "modelId":"m1"}]})")
            << true;
        QTest::newRow("$or of property alternatives")
            << entity << QByteArray(R"({"$or":[{"properties.key":"Accepted"},
                {"properties.value":"Accepted"},{"properties.category":"Accepted"}]})")
            << true;
        QTest::newRow("$or nested in $or")
            << entity
            << QByteArray(R"({"$or":[{"floor":"L01"},{"$or":[{"domain":9},{"domain":1}]}]})")
            << true;
        QTest::newRow("$and all hold")
            << entity << QByteArray(R"({"$and":[{"domain":1},{"floor":"L03"}]})") << true;
        QTest::newRow("$and one fails")
            << entity << QByteArray(R"({"$and":[{"domain":1},{"floor":"L01"}]})") << false;
        QTest::newRow("object literal equal regardless of key order")
            << entity << QByteArray(R"({"address":{"city":"Shenzhen"}})") << true;
    }
    void matches()
    {
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, query);
        QFETCH(bool, expected);
        QJsonObject parsed;
        QString error;
        QVERIFY2(QueryEvaluator::parse(QString::fromUtf8(query), parsed, error), qPrintable(error));
        QCOMPARE(QueryEvaluator::matches(object(document.constData()), parsed), expected);
    }

    void malformedQueriesAreRefused_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not JSON") << "{\"a\":"
                                  << "not JSON";
        QTest::newRow("unencoded ampersand cut it short") << "{\"words\":\"A"
                                                          << "not JSON";
        QTest::newRow("an array") << "[1,2]"
                                  << "must be a JSON object";
        QTest::newRow("a text") << "\"x\""
                                << "not JSON";
        QTest::newRow("unknown top-level operator") << "{\"$where\":\"1\"}"
                                                    << "$where";
        QTest::newRow("unknown field operator") << "{\"a\":{\"$near\":1}}"
                                                << "$near";
        QTest::newRow("$in without an array") << "{\"a\":{\"$in\":\"x\"}}"
                                              << "$in";
        QTest::newRow("$nin without an array") << "{\"a\":{\"$nin\":1}}"
                                               << "$nin";
        QTest::newRow("$or without an array") << "{\"$or\":{\"a\":1}}"
                                              << "$or";
        QTest::newRow("$or empty") << "{\"$or\":[]}"
                                   << "at least one";
        QTest::newRow("$or of texts") << "{\"$or\":[\"a\"]}"
                                      << "$or";
        QTest::newRow("$regex not a text") << "{\"a\":{\"$regex\":5}}"
                                           << "$regex";
        QTest::newRow("$regex not a pattern") << "{\"a\":{\"$regex\":\"(\"}}"
                                              << "valid pattern";
        QTest::newRow("$options alone") << "{\"a\":{\"$options\":\"i\"}}"
                                        << "without $regex";
        QTest::newRow("$options unknown letter") << "{\"a\":{\"$regex\":\"x\",\"$options\":\"q\"}}"
                                                 << "imsx";
        QTest::newRow("operators mixed with fields") << "{\"a\":{\"$in\":[1],\"b\":1}}"
                                                     << "mixes";
        QTest::newRow("$exists not a flag") << "{\"a\":{\"$exists\":1}}"
                                            << "$exists";
        QTest::newRow("empty path part") << "{\"a..b\":1}"
                                         << "field path";
        QTest::newRow("empty field name") << "{\"\":1}"
                                          << "field path";
        QTest::newRow("problem inside $or") << "{\"$or\":[{\"a\":{\"$bad\":1}}]}"
                                            << "$bad";
    }
    void malformedQueriesAreRefused()
    {
        QFETCH(QString, query);
        QFETCH(QString, reason);
        QJsonObject parsed{{QStringLiteral("left"), 1}};
        QString error;
        QVERIFY(!QueryEvaluator::parse(query, parsed, error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(parsed.isEmpty());
    }

    void emptyTextIsTheEmptyQuery()
    {
        QJsonObject parsed{{QStringLiteral("left"), 1}};
        QString error;
        QVERIFY(QueryEvaluator::parse(QString(), parsed, error));
        QVERIFY(parsed.isEmpty());
        QVERIFY(QueryEvaluator::matches(QJsonObject(), parsed));
    }

    void valuesAtFollowsSubDocumentsAndArrays()
    {
        const QJsonObject doc = object(R"({"a":{"b":[{"c":1},{"c":[2,3]},{"d":4},5]}})");
        const QList<QJsonValue> values = QueryEvaluator::valuesAt(doc, QStringLiteral("a.b.c"));
        QCOMPARE(values.size(), 2);
        QCOMPARE(values.at(0), QJsonValue(1));
        QCOMPARE(values.at(1), QJsonValue(QJsonArray{2, 3}));
        QVERIFY(QueryEvaluator::valuesAt(doc, QStringLiteral("a.x")).isEmpty());
        QVERIFY(QueryEvaluator::matches(doc, object(R"({"a.b.c":3})")));
    }

    void compareOrdersKindsThenValues_data()
    {
        QTest::addColumn<QJsonValue>("smaller");
        QTest::addColumn<QJsonValue>("larger");
        QTest::newRow("missing before numbers") << QJsonValue() << QJsonValue(0);
        QTest::newRow("null before numbers") << QJsonValue(QJsonValue::Null) << QJsonValue(-5);
        QTest::newRow("numbers before texts") << QJsonValue(99) << QJsonValue(QStringLiteral("1"));
        QTest::newRow("numbers by value") << QJsonValue(2) << QJsonValue(10);
        QTest::newRow("date texts in time order")
            << QJsonValue(QStringLiteral("2025-12-31T23:59:59.999Z"))
            << QJsonValue(QStringLiteral("2026-01-01T00:00:00.000Z"));
    }
    void compareOrdersKindsThenValues()
    {
        QFETCH(QJsonValue, smaller);
        QFETCH(QJsonValue, larger);
        QVERIFY(QueryEvaluator::compare(smaller, larger) < 0);
        QVERIFY(QueryEvaluator::compare(larger, smaller) > 0);
        QCOMPARE(QueryEvaluator::compare(larger, larger), 0);
    }
};

QTEST_GUILESS_MAIN(TestQueryEvaluator)
#include "tst_queryevaluator.moc"
