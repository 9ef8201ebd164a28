#include "recordtext.h"
#include "testserver.h"

#include <QTemporaryDir>
#include <QtTest>

// Model files reach the server as a multipart form: the four description
// fields beside the file.
class TestModelUpload : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
    }

    void form_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("firstTag");
        QTest::addColumn<QString>("secondTag");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("tags");
        const struct
        {
            const char *row;
            bool replace;
            const char *first, *second;
            int status;
            const char *tags;
        } rows[] = {
            {"new model, two tags", false, "a", "b", 200, "[\"a\",\"b\"]"},
            {"replaced file", true, "a", "b", 201, "[\"a\",\"b\"]"},
            {"refused, an empty tag, a quote", true, "", "x\"y", 500, "[\"\",\"x\\\"y\"]"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.row) << r.replace << QString(r.first) << QString(r.second) << r.status
                                 << QByteArray(r.tags);
    }
    void form()
    {
        QFETCH(bool, replace);
        QFETCH(QString, firstTag);
        QFETCH(QString, secondTag);
        QFETCH(int, status);
        QFETCH(QByteArray, tags);
        QTemporaryDir dir;
        QFile file(dir.filePath("tower.dng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("model bytes");
        file.close();
        const QString path =
            apiPath(replace ? "model-service/models/m9/dng" : "model-service/models/dng");
        m_server.on(replace ? "PUT" : "POST", path, ScriptedReply::text("{}", status));

        VHUploadDNG upload;
        upload.projectId = "p7";
        upload.name = "Tower";
        upload.firstTagId = firstTag;
        upload.secondTagId = secondTag;
        upload.filePath = file.fileName();
        upload.modelId = "m9";
        const bool sent =
            replace ? facade().updateModelDNG(upload) : facade().uploadModelDNG(upload);
        QCOMPARE(sent, status < 300);
        QCOMPARE(m_server.requestCount(), 1);
        const RecordedRequest request = m_server.lastRequest();
        QCOMPARE(request.path, path);
        QCOMPARE(request.formFields, (QMap<QString, QByteArray>{{"projectId", "p7"},
                                                                {"name", "Tower"},
                                                                {"remark", ""},
                                                                {"tags", tags},
                                                                {"file", "model bytes"}}));
        QCOMPARE(request.formFileNames.value("file"), QString("tower.dng"));
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestModelUpload)
#include "tst_modelupload.moc"
