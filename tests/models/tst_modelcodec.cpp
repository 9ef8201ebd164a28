#include "models/modelcodec.h"

#include "VHSoftBase.h"

#include <QJsonDocument>
#include <QtTest>

Q_DECLARE_METATYPE(VHModel)
Q_DECLARE_METATYPE(VHModelSet)

namespace {

QJsonObject object(const char *json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qFatal("test JSON is not an object: %s", json);
    return document.object();
}

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// What every model reads as when the server says nothing about it.
VHModel unnamedModel()
{
    VHModel model;
    model.authorized = true;
    return model;
}

void compareModels(const VHModel &actual, const VHModel &expected)
{
    QCOMPARE(actual.id, expected.id);
    QCOMPARE(actual.modelId, expected.modelId);
    QCOMPARE(actual.linkId, expected.linkId);
    QCOMPARE(actual.name, expected.name);
    QCOMPARE(actual.modelFile, expected.modelFile);
    QCOMPARE(actual.remark, expected.remark);
    QCOMPARE(actual.modelSize, expected.modelSize);
    QCOMPARE(actual.authorized, expected.authorized);
    QCOMPARE(actual.version, expected.version);
    QCOMPARE(actual.preprocessed, expected.preprocessed);
    QCOMPARE(actual.tags, expected.tags);
    QCOMPARE(actual.mapModelTag, expected.mapModelTag);
    QCOMPARE(actual.updatedAt, expected.updatedAt);
    QCOMPARE(actual.updatedBy, expected.updatedBy);
}

} // namespace

// Model, model-set and tag JSON as the model service sends it, including the
// members it leaves out or sends with another type.
class TestModelCodec : public QObject
{
    Q_OBJECT
private slots:
    void defaultRecords()
    {
        const VHModel model;
        QCOMPARE(model.authorized, false);
        QCOMPARE(model.version, 1);
        QCOMPARE(model.modelSize, qint64(0));
        QVERIFY(model.updatedAt.isNull());
        QCOMPARE(VHModelSetCondition().allTime, true);
        QCOMPARE(VHModelTagType().isDefault, false);
    }

    void parseModel_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<VHModel>("expected");

        VHModel history;
        history.id = "h3";
        history.modelId = "m1";
        history.linkId = "l1";
        history.name = "Tower A";
        history.modelFile = "f/tower.dng";
        history.remark = "third upload";
        history.modelSize = 123456;
        history.authorized = false;
        history.version = 3;
        history.preprocessed = 2;
        history.tags = QStringList{"t2", "t1"};
        history.updatedAt = QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 456), Qt::UTC);
        history.updatedBy = "u9";
        QTest::newRow("history entry, every member")
            << QByteArray(R"({"_id":"h3","modelId":"m1","linkId":"l1","name":"Tower A",
                "modelFile":"f/tower.dng","remark":"third upload","modelSize":123456,
                "authorized":false,"version":3,"preprocessed":2,"tags":["t2","t1"],
                "updatedAt":"2024-03-05T10:20:30.456Z","updatedBy":"u9"})")
            << history;

        QTest::newRow("empty object") << QByteArray("{}") << unnamedModel();

        VHModel current = unnamedModel();
        current.id = "m1";
        current.modelId = "m1";
        QTest::newRow("current model names itself") << QByteArray(R"({"_id":"m1"})") << current;
        QTest::newRow("empty modelId falls back to the id")
            << QByteArray(R"({"_id":"m1","modelId":""})") << current;
        QTest::newRow("modelId of another type falls back to the id")
            << QByteArray(R"({"_id":"m1","modelId":7})") << current;

        QTest::newRow("every member of the wrong type")
            << QByteArray(R"({"_id":5,"modelId":null,"linkId":{},"name":["x"],"modelFile":true,
                "remark":1.5,"modelSize":{"n":1},"authorized":"false","version":"3",
                "preprocessed":true,"tags":"t1","updatedAt":20240305,"updatedBy":[]})")
            << unnamedModel();
        QTest::newRow("tags as an object")
            << QByteArray(R"({"tags":{"0":"t1"}})") << unnamedModel();

        QTest::newRow("unreadable date")
            << QByteArray(R"({"updatedAt":"yesterday"})") << unnamedModel();
    }
    void parseModel()
    {
        QFETCH(QByteArray, json);
        QFETCH(VHModel, expected);
        VHModel model;
        ::parseModel(object(json.constData()), model);
        compareModels(model, expected);
    }

    // Sizes travel as JSON numbers; anything above 2^31 must keep every digit.
    void modelSizeKeepsSixtyFourBits_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("just beyond 32 bits")
            << QByteArray(R"({"modelSize":2147483648})") << qint64(2147483648LL);
        QTest::newRow("five gigabytes")
            << QByteArray(R"({"modelSize":5000000000})") << qint64(5000000000LL);
        QTest::newRow("largest exact JSON integer")
            << QByteArray(R"({"modelSize":9007199254740991})") << qint64(9007199254740991LL);
        QTest::newRow("exponent form")
            << QByteArray(R"({"modelSize":1.5e10})") << qint64(15000000000LL);
        QTest::newRow("negative") << QByteArray(R"({"modelSize":-3000000000})")
                                  << qint64(-3000000000LL);
        QTest::newRow("missing") << QByteArray("{}") << qint64(0);
        QTest::newRow("null") << QByteArray(R"({"modelSize":null})") << qint64(0);
        QTest::newRow("array") << QByteArray(R"({"modelSize":[5000000000]})") << qint64(0);
    }
    void modelSizeKeepsSixtyFourBits()
    {
        QFETCH(QByteArray, json);
        QFETCH(qint64, expected);
        VHModel model;
        ::parseModel(object(json.constData()), model);
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
        VHModel expected = unnamedModel();
        expected.id = "m2";
        expected.modelId = "m2";
        expected.mapModelTag.insert("type1", "t1");
        compareModels(model, expected);
    }

    void parseModelSet_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<VHModelSet>("expected");

        VHModelSet full;
        full.id = "s1";
        full.name = "Level 2";
        full.modelIds = QStringList{"m2", "m1"};
        full.createdAt = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 1), Qt::UTC);
        full.createdBy = "u1";
        QTest::newRow("every member")
            << QByteArray(R"({"_id":"s1","name":"Level 2","modelIds":["m2","m1"],
                "createdAt":"2023-12-31T23:59:59.001Z","createdBy":"u1","projectId":"p1"})")
            << full;
        QTest::newRow("empty object") << QByteArray("{}") << VHModelSet();
        QTest::newRow("wrong types")
            << QByteArray(
                   R"({"_id":1,"name":null,"modelIds":"m1","createdAt":{},"createdBy":false})")
            << VHModelSet();
    }
    void parseModelSet()
    {
        QFETCH(QByteArray, json);
        QFETCH(VHModelSet, expected);
        VHModelSet set;
        set.id = "old";
        set.modelIds = QStringList{"old"};
        set.createdAt = QDateTime::currentDateTimeUtc();
        ::parseModelSet(object(json.constData()), set);
        QCOMPARE(set.id, expected.id);
        QCOMPARE(set.name, expected.name);
        QCOMPARE(set.modelIds, expected.modelIds);
        QCOMPARE(set.createdAt, expected.createdAt);
        QCOMPARE(set.createdBy, expected.createdBy);
    }

    void modelSetBodyNamesTheCurrentProject_data()
    {
        QTest::addColumn<QString>("projectId");
        QTest::addColumn<QStringList>("modelIds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("current project")
            << "p1" << QStringList{"m2", "m1"}
            << "{\"modelIds\":[\"m2\",\"m1\"],\"name\":\"Set \\\"A\\\"\",\"projectId\":\"p1\"}";
        QTest::newRow("no current project")
            << "" << QStringList()
            << "{\"modelIds\":[],\"name\":\"Set \\\"A\\\"\",\"projectId\":null}";
    }
    void modelSetBodyNamesTheCurrentProject()
    {
        QFETCH(QString, projectId);
        QFETCH(QStringList, modelIds);
        QFETCH(QString, expected);
        GetSoftCache()->setCurrentProjectId(projectId);
        VHModelSet set;
        set.id = "s1";
        set.name = "Set \"A\"";
        set.modelIds = modelIds;
        set.createdBy = "u1";
        set.createdAt = QDateTime::currentDateTimeUtc();
        QJsonObject body;
        modelSetToJson(set, body);
        QCOMPARE(compact(body), expected);
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
        QTest::newRow("non-ASCII as it stands")
            << "u1" << QString::fromUtf8("楼层 2")
            << QString::fromUtf8(R"({"createdBy":"u1","name":"楼层 2"})");
    }
    void modelSetWhere()
    {
        QFETCH(QString, createdBy);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        VHModelSetCondition condition;
        condition.allTime = false;
        condition.timeFrom = QDateTime::currentDateTimeUtc();
        condition.text = "ignored";
        condition.createdBy = createdBy;
        condition.name = name;
        QCOMPARE(modelSetConditionToWhere(condition), expected);
    }

    void parseTag_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected"); // id, name, type
        QTest::newRow("every member") << QByteArray(R"({"_id":"t1","name":"Civil","type":"y1"})")
                                      << QStringList{"t1", "Civil", "y1"};
        QTest::newRow("empty") << QByteArray("{}") << QStringList{"", "", ""};
        QTest::newRow("type as an object")
            << QByteArray(R"({"_id":"t1","type":{"_id":"y1"}})") << QStringList{"t1", "", ""};
    }
    void parseTag()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        const VHModelTag tag = parseModelTag(object(json.constData()));
        QCOMPARE((QStringList{tag.id, tag.name, tag.type}), expected);
    }

    void parseTagType_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDefault");
        QTest::newRow("default type")
            << QByteArray(R"({"_id":"y1","name":"Stage","default":true,"tags":[{"_id":"t1"}]})")
            << "y1"
            << "Stage" << true;
        QTest::newRow("not default") << QByteArray(R"({"_id":"y2","default":false})") << "y2"
                                     << "" << false;
        QTest::newRow("flag as text") << QByteArray(R"({"default":"true"})") << ""
                                      << "" << false;
        QTest::newRow("empty") << QByteArray("{}") << ""
                               << "" << false;
    }
    void parseTagType()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(bool, isDefault);
        const VHModelTagType type = parseModelTagType(object(json.constData()));
        QCOMPARE(type.id, id);
        QCOMPARE(type.name, name);
        QCOMPARE(type.isDefault, isDefault);
        // The facade groups the tags itself; the reply's own list is not read.
        QVERIFY(type.tags.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestModelCodec)
#include "tst_modelcodec.moc"
