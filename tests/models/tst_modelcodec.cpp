#include "../entities/jsontext.h"
#include "core/requestframe.h"
#include "models/modelcodec.h"

#include "VHPublicFun.h"
#include "VHSoftBase.h"

#include <QJsonDocument>
#include <QtTest>

using RequestFrame::compactJson;

namespace {

// Every field of the record on one line, in declaration order.
QString describe(const VHModel &m)
{
    QStringList tagIndex;
    for (auto it = m.mapModelTag.begin(); it != m.mapModelTag.end(); ++it)
        tagIndex.append(it.key() + ":" + it.value());
    return QStringList{m.id,
                       m.modelId,
                       m.linkId,
                       m.name,
                       m.modelFile,
                       m.remark,
                       QString::number(m.modelSize),
                       m.authorized ? "yes" : "no",
                       QString::number(m.version),
                       QString::number(m.preprocessed),
                       m.tags.join(','),
                       tagIndex.join(','),
                       VHPub::getQStringByDateTime(m.updatedAt),
                       m.updatedBy}
        .join('|');
}

QString describe(const VHModelSet &s)
{
    return QStringList{s.id, s.name, s.modelIds.join(','), VHPub::getQStringByDateTime(s.createdAt),
                       s.createdBy}
        .join('|');
}

} // namespace

// Model, model-set and tag JSON as the model service sends it, including the
// members it leaves out or sends with another type.
class TestModelCodec : public QObject
{
    Q_OBJECT
private slots:
    void parseModel_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        const char *unnamed = "||||||0|yes|1|0||||";
        QTest::newRow("history entry, every member")
            << QByteArray(R"({"_id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/t.dng","remark":"third","modelSize":123456,"authorized":false,
                "version":3,"preprocessed":2,"tags":["t2","t1"],
                "updatedAt":"2024-03-05T10:20:30.456Z","updatedBy":"u9"})")
            << "h3|m1|l1|Tower A|f/t.dng|third|123456|no|3|2|t2,t1||2024-03-05T10:20:30.456Z|u9";
        QTest::newRow("empty object") << QByteArray("{}") << unnamed;
        QTest::newRow("current model names itself")
            << QByteArray(R"({"_id":"m1"})") << "m1|m1|||||0|yes|1|0||||";
        QTest::newRow("empty or mistyped modelId falls back to the id")
            << QByteArray(R"({"_id":"m1","modelId":7})") << "m1|m1|||||0|yes|1|0||||";
        QTest::newRow("every member of the wrong type")
            << QByteArray(R"({"_id":5,"modelId":null,"linkId":{},"name":["x"],"modelFile":true,
                "remark":1.5,"modelSize":{"n":1},"authorized":"false","version":"3",
                "preprocessed":true,"tags":"t1","updatedAt":20240305,"updatedBy":[]})")
            << unnamed;
        QTest::newRow("tags as an object, unreadable date")
            << QByteArray(R"({"tags":{"0":"t1"},"updatedAt":"yesterday"})") << unnamed;
    }
    void parseModel()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        VHModel model;
        ::parseModel(object(json), model);
        QCOMPARE(describe(model), expected);
    }

    // Sizes travel as JSON numbers; anything above 2^31 must keep every digit.
    void modelSizeKeepsSixtyFourBits_data()
    {
        QTest::addColumn<QByteArray>("size");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("just beyond 32 bits") << QByteArray("2147483648") << qint64(2147483648LL);
        QTest::newRow("five gigabytes") << QByteArray("5000000000") << qint64(5000000000LL);
        QTest::newRow("largest exact JSON integer")
            << QByteArray("9007199254740991") << qint64(9007199254740991LL);
        QTest::newRow("exponent form") << QByteArray("1.5e10") << qint64(15000000000LL);
        QTest::newRow("negative") << QByteArray("-3000000000") << qint64(-3000000000LL);
        QTest::newRow("null") << QByteArray("null") << qint64(0);
        QTest::newRow("array") << QByteArray("[5000000000]") << qint64(0);
    }
    void modelSizeKeepsSixtyFourBits()
    {
        QFETCH(QByteArray, size);
        QFETCH(qint64, expected);
        VHModel model;
        ::parseModel(object(R"({"modelSize":)" + size + "}"), model);
        QCOMPARE(model.modelSize, expected);
    }

    void parsingReplacesEverythingButTheTagIndex()
    {
        VHModel model;
        ::parseModel(object(R"({"_id":"m1","name":"A","modelSize":9,"authorized":false,
            "version":4,"preprocessed":1,"tags":["t1"],"updatedAt":"2024-01-01T00:00:00.000Z",
            "updatedBy":"u1","remark":"r","linkId":"l","modelFile":"f"})"),
                     model);
        model.mapModelTag.insert("type1", "t1");
        ::parseModel(object(R"({"_id":"m2"})"), model);
        QCOMPARE(describe(model), QString("m2|m2|||||0|yes|1|0||type1:t1||"));
    }

    void parseModelSet_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every member")
            << QByteArray(R"({"_id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1","projectId":"p1"})")
            << "s1|Level 2|m2,m1|2023-12-31T23:59:59.001Z|u1";
        QTest::newRow("empty object") << QByteArray("{}") << "||||";
        QTest::newRow("wrong types")
            << QByteArray(R"({"_id":1,"name":null,"modelIds":"m1","createdAt":{},"createdBy":0})")
            << "||||";
    }
    void parseModelSet()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        VHModelSet set;
        ::parseModelSet(object(R"({"_id":"old","modelIds":["x"],"createdBy":"u"})"), set);
        ::parseModelSet(object(json), set);
        QCOMPARE(describe(set), expected);
    }

    void modelSetBodyNamesTheCurrentProject_data()
    {
        QTest::addColumn<QString>("projectId");
        QTest::addColumn<QString>("expected");
        QTest::newRow("current project")
            << "p1"
            << "{\"modelIds\":[\"m2\",\"m1\"],\"name\":\"Set \\\"A\\\"\",\"projectId\":\"p1\"}";
        QTest::newRow("no current project")
            << ""
            << "{\"modelIds\":[\"m2\",\"m1\"],\"name\":\"Set \\\"A\\\"\",\"projectId\":null}";
    }
    void modelSetBodyNamesTheCurrentProject()
    {
        QFETCH(QString, projectId);
        QFETCH(QString, expected);
        GetSoftCache()->setCurrentProjectId(projectId);
        VHModelSet set;
        ::parseModelSet(object(R"({"_id":"s1","createdBy":"u1","modelIds":["m2","m1"],
            "createdAt":"2024-01-01T00:00:00.000Z"})"),
                        set);
        set.name = "Set \"A\"";
        QJsonObject body;
        modelSetToJson(set, body);
        QCOMPARE(compactJson(body), expected);
    }

    void modelSetWhere_data()
    {
        QTest::addColumn<QString>("createdBy");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("creator and name") << "u1"
                                          << "A"
                                          << R"({"createdBy":"u1","name":"A"})";
        QTest::newRow("no name") << "u1"
                                 << ""
                                 << R"({"createdBy":"u1"})";
        QTest::newRow("no creator") << ""
                                    << ""
                                    << R"({"createdBy":""})";
        QTest::newRow("quotes and backslash escaped")
            << "u1"
            << "a\"b\\c"
            << "{\"createdBy\":\"u1\",\"name\":\"a\\\"b\\\\c\"}";
    }
    void modelSetWhere()
    {
        QFETCH(QString, createdBy);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        VHModelSetCondition condition;
        condition.allTime = false;
        condition.timeFrom = QDateTime::currentDateTimeUtc();
        condition.text = "not sent";
        condition.createdBy = createdBy;
        condition.name = name;
        QCOMPARE(modelSetConditionToWhere(condition), expected);
    }

    void tagsAndTagTypes()
    {
        const VHModelTag tag = parseModelTag(object(R"({"_id":"t1","name":"Civil","type":"y1"})"));
        QCOMPARE((QStringList{tag.id, tag.name, tag.type}), (QStringList{"t1", "Civil", "y1"}));
        const VHModelTag odd = parseModelTag(object(R"({"_id":"t2","type":{"_id":"y1"}})"));
        QCOMPARE((QStringList{odd.id, odd.name, odd.type}), (QStringList{"t2", "", ""}));

        VHModelTagType type = parseModelTagType(
            object(R"({"_id":"y1","name":"Stage","default":true,"tags":[{"_id":"t1"}]})"));
        QCOMPARE((QStringList{type.id, type.name}), (QStringList{"y1", "Stage"}));
        QVERIFY(type.isDefault);
        // The facade groups the tags itself; the reply's own list is not read.
        QVERIFY(type.tags.isEmpty());
        type = parseModelTagType(object(R"({"default":"true"})"));
        QVERIFY(!type.isDefault);
        QVERIFY(type.id.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestModelCodec)
#include "tst_modelcodec.moc"
