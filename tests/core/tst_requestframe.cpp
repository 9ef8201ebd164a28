#include "core/requestframe.h"
#include "core/usercodec.h"
#include "facadetest.h"
#include "testserver.h"

#include "VHPlatform.h"

#include <QtTest>

using namespace RequestFrame;

// The common frame: URL composition, query text, the reply views and what
// a failed or cut-off exchange leaves in the records it fills.
class TestRequestFrame : public FacadeTest
{
    Q_OBJECT
private slots:
    void placeholdersFillInOnePass_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << "a/%1/b/%2" << QStringList{"x", "y"} << "a/x/b/y";
        QTest::newRow("inserted text keeps its percent signs")
            << "q=%1&skip=%2&limit=%3" << QStringList{"%2C%7B%22", "0", "20"}
            << "q=%2C%7B%22&skip=0&limit=20";
        QTest::newRow("unfilled placeholder stays") << "a/%1/%2" << QStringList{"x"} << "a/x/%2";
        QTest::newRow("percent at the end") << "a%" << QStringList{"x"} << "a%";
    }
    void placeholdersFillInOnePass()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        const QString filled =
            values.size() == 1 ? fillPlaceholders(pattern, {values.at(0)})
            : values.size() == 2
                ? fillPlaceholders(pattern, {values.at(0), values.at(1)})
                : fillPlaceholders(pattern, {values.at(0), values.at(1), values.at(2)});
        QCOMPARE(filled, expected);
    }

    void urlsJoinRootServiceAndPath()
    {
        VHBaseApi::GetInstance().setIp(QStringLiteral("api.example.com/"));
        QCOMPARE(url(Service::Model, "models/%1/histories", QStringLiteral("m1")),
                 QStringLiteral("https://api.example.com/v1/model-service/models/m1/histories"));
        QCOMPARE(url(Service::Account, "projects/%1/used_capacity?check=true&size=%2",
                     QStringLiteral("p"), qint64(-5000000000)),
                 QStringLiteral("https://api.example.com/v1/account-service/projects/p/"
                                "used_capacity?check=true&size=-5000000000"));
        QCOMPARE(url(Service::Worksheet, "x?skip=%1", 0),
                 QStringLiteral("https://api.example.com/v1/worksheet-service/x?skip=0"));
        QCOMPARE(url(Service::Period, "velto/periods/%1", QStringLiteral("E")),
                 QStringLiteral("https://api.example.com/v1/ka-reth-service/velto/periods/E"));
        QCOMPARE(url(Service::Base, "qrSettings"),
                 QStringLiteral("https://api.example.com/v1/base-service/qrSettings"));
    }

    void whereTextReachesTheServerExactly_data()
    {
        QTest::addColumn<QString>("name");
        QString printable;
        for (char c = 0x20; c < 0x7f; ++c)
            printable += QLatin1Char(c);
        QTest::newRow("every printable character") << printable;
        QTest::newRow("url-significant") << "A b+c&d=e#f%g?h%2C";
        QTest::newRow("brackets and escapes in a string") << "}]\\\"{[";
        QTest::newRow("non-ascii") << QString::fromUtf8("楼层 2 – Ü");
    }
    void whereTextReachesTheServerExactly()
    {
        QFETCH(QString, name);
        m_server.on("GET", apiPath("model-service/projects/p1/model_sets"),
                    ScriptedReply::json(QJsonArray()));
        // The text comes again after a nested array has closed.
        const QString where =
            compactJson(QJsonObject{{"floors", QJsonArray{name}}, {"name", name}});
        // Parameters without a value, before the document and at the end.
        Exchange::get(url(Service::Model, "projects/%1/model_sets?x&where=%2&only_count=true&y",
                          QStringLiteral("p1"), where));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.query.value("where"), where);
        QCOMPARE(seen.query.value("only_count"), QString("true"));
        QVERIFY(seen.query.contains("x") && seen.query.contains("y"));
        QCOMPARE(seen.query.size(), 4);
    }

    void queryParamDecodesOnceToTheJson()
    {
        m_server.on("GET", apiPath("model-service/x"), ScriptedReply::json(QJsonArray()));
        const QString json = QStringLiteral("{\"uuid\":{\"$in\":[\"a,b\",\"c&d=e+f%\"]}}");
        QString param;
        QVERIFY(VHBaseProxy::getQueryParam(json, param));
        QVERIFY(param.contains(QLatin1String("%2C")));
        Exchange::get(url(Service::Model, "x?queryParam=%1&skip=%2", param, 0));
        QCOMPARE(m_server.lastRequest().query.value(QStringLiteral("queryParam")), json);
        QCOMPARE(m_server.lastRequest().query.value(QStringLiteral("skip")), QStringLiteral("0"));
    }

    void replyViews_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("objectKeys");
        QTest::addColumn<int>("listSize");
        QTest::addColumn<int>("arraySize");
        const auto row = [](const char *name, const QByteArray &body, int keys, int records,
                            int values) {
            QTest::newRow(name) << body << keys << records << values;
        };
        row("object", R"({"a":1,"b":2})", 2, 0, 0);
        row("array of objects and others", R"([{"a":1},2,{"b":2},"x"])", 0, 2, 4);
        row("records under data", R"({"data":[{"a":1},{"b":1}]})", 1, 2, 0);
        row("data that is not an array", R"({"data":{"a":1}})", 1, 0, 0);
        row("not json", "<html>", 0, 0, 0);
        row("truncated json", R"([{"a":1},{"b")", 0, 0, 0);
        row("empty", "", 0, 0, 0);
        row("scalar", "42", 0, 0, 0);
    }
    void replyViews()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, objectKeys);
        QFETCH(int, listSize);
        QFETCH(int, arraySize);
        m_server.on("GET", apiPath("model-service/v"), ScriptedReply::text(body));
        const Exchange reply = Exchange::get(url(Service::Model, "v"));
        QVERIFY(reply.isSuccessful());
        QCOMPARE(reply.object().size(), objectKeys);
        QCOMPARE(reply.objectList().size(), listSize);
        QCOMPARE(reply.array().size(), arraySize);
    }

    void aRecordRequestThatFailsStillConverts()
    {
        m_server.on("GET", apiPath("account-service/users/u"), ScriptedReply::text("", 500));
        VHUser user;
        user.id = QStringLiteral("old");
        user.visible = false;
        user.structureId = QStringLiteral("s");
        QVERIFY(!Exchange::get(url(Service::Account, "users/u")).readObject(user, parseUser));
        // What the reader sets is reset; the rest stays.
        VHUser expected;
        expected.structureId = QStringLiteral("s");
        QCOMPARE(user, expected);
    }

    void aListRequestAppendsInReplyOrder()
    {
        m_server.once("GET", apiPath("account-service/l"),
                      ScriptedReply::text(R"([{"_id":"a"},{"_id":"b"}])"));
        QList<VHUser> users{VHUser()};
        QVERIFY(Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QCOMPARE(users.size(), 3);
        QCOMPARE(users.at(1).id, QStringLiteral("a"));
        QCOMPARE(users.at(2).id, QStringLiteral("b"));

        m_server.once("GET", apiPath("account-service/l"), ScriptedReply::text("", 503));
        QVERIFY(!Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QCOMPARE(users.size(), 3);

        ScriptedReply truncated = ScriptedReply::text(R"([{"_id":"c"},{"_id":"d"}])");
        truncated.truncateAfter = 5;
        m_server.on("GET", apiPath("account-service/l"), truncated);
        QVERIFY(!Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QCOMPARE(users.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestRequestFrame)
#include "tst_requestframe.moc"
