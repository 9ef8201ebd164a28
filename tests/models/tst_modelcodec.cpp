#include "core/requestframe.h"
#include "models/modelcodec.h"
#include "recordtext.h"

#include "VHSoftBase.h"

#include <QtTest>

using RequestFrame::compactJson;

// Model, model-set and tag JSON as the model service sends it, including the
// members it leaves out or sends with another type.
class TestModelCodec : public QObject
{
    Q_OBJECT
private slots:
    // Each row parses into a filled record: every field is replaced but the
    // facade's tag index, which the expected record always holds.
    void parseModel_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("history entry, every member")
            << QByteArray(R"({"_id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/t.dng","remark":"third","modelSize":123456,"authorized":false,
                "version":3,"preprocessed":2,"tags":["t2","t1"],
                "updatedAt":"2024-03-05T10:20:30.456Z","updatedBy":"u9"})")
            << QByteArray(R"({"id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/t.dng","remark":"third","modelSize":123456,"version":3,
                "preprocessed":2,"tags":["t2","t1"],"updatedAt":"2024-03-05T10:20:30.456Z",
                "updatedBy":"u9"})");
        const QByteArray empty = R"({"authorized":true})";
        QTest::newRow("empty object") << QByteArray("{}") << empty;
        QTest::newRow("a current model names itself, also for a mistyped modelId")
            << QByteArray(R"({"_id":"m1","modelId":7})")
            << QByteArray(R"({"id":"m1","modelId":"m1","authorized":true})");
        QTest::newRow("every member of the wrong type")
            << QByteArray(R"({"_id":5,"modelId":null,"linkId":{},"name":["x"],"modelFile":true,
                "remark":1.5,"modelSize":{"n":1},"authorized":"false","version":"3",
                "preprocessed":true,"tags":{"0":"t1"},"updatedAt":"yesterday","updatedBy":[]})")
            << empty;
    }
    void parseModel()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHModel model;
        ::parseModel(jsonObject(R"({"_id":"m0","name":"A","modelSize":9,"authorized":false,
            "version":4,"preprocessed":1,"tags":["t1"],"updatedAt":"2024-01-01T00:00:00.000Z",
            "updatedBy":"u1","remark":"r","linkId":"l","modelFile":"f"})"),
                     model);
        model.mapModelTag.insert("type1", "t1");
        ::parseModel(jsonObject(json), model);
        VHModel parsed = record<VHModel>(expected);
        parsed.mapModelTag.insert("type1", "t1");
        QCOMPARE(model, parsed);
    }

    // Sizes travel as JSON numbers; anything above 2^31 must keep every digit.
    void modelSizeKeepsSixtyFourBits()
    {
        const QList<QPair<QByteArray, qint64>> sizes{{"5000000000", 5000000000LL},
                                                     {"9007199254740991", 9007199254740991LL},
                                                     {"1.5e10", 15000000000LL},
                                                     {"-3000000000", -3000000000LL}};
        for (const auto &size : sizes) {
            VHModel model;
            ::parseModel(jsonObject(R"({"modelSize":)" + size.first + "}"), model);
            QCOMPARE(model.modelSize, size.second);
        }
    }

    void parseModelSet_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("every member")
            << QByteArray(R"({"_id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1","projectId":"p1"})")
            << QByteArray(R"({"id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1"})");
        QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("wrong types")
            << QByteArray(R"({"_id":1,"name":null,"modelIds":"m1","createdAt":{},"createdBy":0})")
            << QByteArray("{}");
    }
    void parseModelSet()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHModelSet set;
        ::parseModelSet(jsonObject(R"({"_id":"old","modelIds":["x"],"createdBy":"u"})"), set);
        ::parseModelSet(jsonObject(json), set);
        QCOMPARE(set, record<VHModelSet>(expected));
    }

    // The body names the current project (null without one), the set's name
    // and models; the condition sends the creator always, the name when set.
    void modelSetBodyAndCondition()
    {
        VHModelSet set;
        ::parseModelSet(jsonObject(R"({"_id":"s1","createdBy":"u1","modelIds":["m2","m1"],
            "createdAt":"2024-01-01T00:00:00.000Z"})"),
                        set);
        set.name = "A";
        GetSoftCache()->setCurrentProjectId("p1");
        QJsonObject body;
        modelSetToJson(set, body);
        QCOMPARE(compactJson(body),
                 QString(R"({"modelIds":["m2","m1"],"name":"A","projectId":"p1"})"));
        GetSoftCache()->setCurrentProjectId(QString());
        modelSetToJson(set, body);
        QCOMPARE(body.value("projectId"), QJsonValue(QJsonValue::Null));

        VHModelSetCondition condition;
        condition.allTime = false;
        condition.timeFrom = QDateTime::currentDateTimeUtc();
        condition.text = "not sent";
        condition.createdBy = "u1";
        condition.name = "A";
        QCOMPARE(modelSetConditionToWhere(condition), QString(R"({"createdBy":"u1","name":"A"})"));
        condition.createdBy.clear();
        condition.name.clear();
        QCOMPARE(modelSetConditionToWhere(condition), QString(R"({"createdBy":""})"));
    }

    // The facade groups the tags itself; a tag type's own list is not read.
    void tagsAndTagTypes()
    {
        QCOMPARE(parseModelTag(jsonObject(R"({"_id":"t1","name":"Civil","type":"y1"})")),
                 record<VHModelTag>(R"({"id":"t1","name":"Civil","type":"y1"})"));
        QCOMPARE(parseModelTag(jsonObject(R"({"_id":"t2","type":{"_id":"y1"}})")),
                 named<VHModelTag>("t2"));
        QCOMPARE(parseModelTagType(jsonObject(
                     R"({"_id":"y1","name":"Stage","default":true,"tags":[{"_id":"t1"}]})")),
                 record<VHModelTagType>(R"({"id":"y1","name":"Stage","isDefault":true})"));
        QCOMPARE(parseModelTagType(jsonObject(R"({"default":"true"})")), VHModelTagType());
    }
};

QTEST_GUILESS_MAIN(TestModelCodec)
#include "tst_modelcodec.moc"
