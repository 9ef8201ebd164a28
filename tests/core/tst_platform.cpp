#include "facadetest.h"
#include "platformlimits.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"
#include "core/platform/authorities.h"

#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <atomic>

Q_DECLARE_METATYPE(VHError::Kind)

// The client-side services: backend address, settings cache, general helpers,
// uploads, the session's cookies and the replies of the transport's backend
// (the suite runs once over each).
class TestPlatform : public FacadeTest
{
    Q_OBJECT
private slots:
    void baseApi_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("apiVer");
        QTest::addColumn<QString>("baseApi");
        const auto row = [](const char *ip, const char *apiVer, const char *baseApi) {
            QTest::newRow(ip) << QString(ip) << QString(apiVer) << QString(baseApi);
        };
        row("http://127.0.0.1:8080", "v1/", "http://127.0.0.1:8080/v1/");
        row("api.example.com", "v1/", "https://api.example.com/v1/");
        row("https://api.example.com/", "v2/", "https://api.example.com/v2/");
    }
    void baseApi()
    {
        QFETCH(QString, ip);
        QFETCH(QString, apiVer);
        QFETCH(QString, baseApi);
        VHBaseApi &api = VHBaseApi::GetInstance();
        api.setIp(ip);
        api.setApiVer(apiVer);
        QCOMPARE(api.getIp(), ip);
        QCOMPARE(api.getBaseApi(), baseApi);
    }

    void clientsCanInstallTheirOwnSettingsCache()
    {
        struct ClientCache : VHSoftCache
        {
            QString currentProjectId() const override { return "from-client"; }
        } client;
        SetSoftCache(&client);
        QCOMPARE(GetSoftCache()->currentProjectId(), QString("from-client"));
        SetSoftCache(nullptr);
        QCOMPARE(GetSoftCache()->currentProjectId(), QString("p1"));
    }

    void naturalSort_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("before");
        const auto row = [](const char *name, const char *a, const char *b, bool before) {
            QTest::newRow(name) << QString::fromUtf8(a) << QString::fromUtf8(b) << before;
        };
        row("digits by value", "Label 2", "label 10", true);
        row("case ignored", "apple", "Banana", true);
        row("prefix first", "Floor", "Floor 1", true);
        row("long runs", "m99999999999999999998", "m99999999999999999999", true);
        row("equal", "B1", "B1", false);
        row("leading zeros", "a007", "a8", true);
        row("non-latin", "楼层2", "楼层10", true);
    }
    void naturalSort()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, before);
        QCOMPARE(VHPub::naturalSort(a, b, Qt::CaseInsensitive), before);
    }

    void naturalSortIsAStrictOrder()
    {
        QStringList names{"b10", "B2", "b2", "a", "A", "b02", "", "b1x", "b1"};
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return VHPub::naturalSort(a, b); });
        for (int i = 0; i + 1 < names.size(); ++i)
            QVERIFY2(!VHPub::naturalSort(names.at(i + 1), names.at(i)),
                     qPrintable(names.join(',')));
        QCOMPARE(names.first(), QString());
        QCOMPARE(names.last(), QString("b10"));
    }

    void dateTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QString>("written");
        const QDateTime t(QDate(2026, 1, 2), QTime(3, 4, 5, 678), Qt::UTC);
        QTest::newRow("server format")
            << "2026-01-02T03:04:05.678Z" << t << "2026-01-02T03:04:05.678Z";
        QTest::newRow("offset") << "2026-01-02T05:04:05.678+02:00" << t
                                << "2026-01-02T03:04:05.678Z";
        QTest::newRow("no milliseconds")
            << "2026-01-02T03:04:05Z" << t.addMSecs(-678) << "2026-01-02T03:04:05.000Z";
        QTest::newRow("empty") << "" << QDateTime() << "";
        QTest::newRow("garbage") << "yesterday" << QDateTime() << "";
    }
    void dateTimes()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, dateTime);
        QFETCH(QString, written);
        const QDateTime read = VHPub::getDateTimeByQString(text);
        QCOMPARE(read.isValid(), dateTime.isValid());
        if (dateTime.isValid())
            QCOMPARE(read, dateTime);
        QCOMPARE(VHPub::getQStringByDateTime(read), written);
    }

    void jsonHelpers()
    {
        QCOMPARE(VHPub::getStrListFromVarList(QVariantList{"a", 2, QVariant()}),
                 (QStringList{"a", "2", ""}));
        // Only the changes stay.
        const QJsonObject old{{"a", 1}, {"b", "x"}, {"c", true}, {"d", QJsonArray{1}}};
        QJsonObject changed{{"a", 1}, {"b", "y"}, {"c", true}, {"d", QJsonArray{1, 2}}, {"e", 0}};
        VHPub::removeCommonJsonValue(old, changed);
        QCOMPARE(changed, (QJsonObject{{"b", "y"}, {"d", QJsonArray{1, 2}}, {"e", 0}}));
    }

    // Authorities added in code, and those OpenSSL and curl users name in
    // the environment, are trusted beside the system's. The environment is
    // read once, at a process's start: each row runs a process of its own.
    void httpsTrustsAddedAuthorities_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<bool>("folder");
        QTest::newRow("none") << QString() << false;
        QTest::newRow("addCaCertificates") << "addCaCertificates" << false;
        QTest::newRow("SSL_CERT_FILE") << "SSL_CERT_FILE" << false;
        QTest::newRow("CURL_CA_BUNDLE") << "CURL_CA_BUNDLE" << false;
        QTest::newRow("SSL_CERT_DIR") << "SSL_CERT_DIR" << true;
    }

    void httpsTrustsAddedAuthorities()
    {
        QFETCH(QString, variable);
        QFETCH(bool, folder);
        SKIP_TLS_UNDER_WINE();
        TestServer secure(TestServer::Scheme::Https);
        secure.on("GET", "/v1/touch", ScriptedReply::json(QJsonObject()));
        QTemporaryDir authorities;
        QVERIFY(QFile::copy(TestServer::caCertificatePath(), authorities.filePath("site-ca.pem")));
        // A folder may hold other files too.
        QFile notes(authorities.filePath("README"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a certificate\n");
        notes.close();

        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"SSL_CERT_FILE", "SSL_CERT_DIR", "CURL_CA_BUNDLE"})
            environment.remove(QLatin1String(name));
        QStringList arguments{secure.address() + "/v1/touch"};
        if (variable == "addCaCertificates")
            arguments << authorities.filePath("site-ca.pem");
        else if (!variable.isEmpty())
            environment.insert(variable,
                               folder ? authorities.path() : authorities.filePath("site-ca.pem"));
        probe.setProcessEnvironment(environment);
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(QCoreApplication::applicationDirPath() + "/httpsprobe", arguments);
        QVERIFY(probe.waitForFinished(120000));
        QCOMPARE(probe.exitCode(), variable.isEmpty() ? 1 : 0);
        QCOMPARE(secure.requestCount(), variable.isEmpty() ? 0 : 1);
    }

    // libcurl's file of authorities holds the system's bundle as it is, then
    // the added ones: adding one must not take the system's away.
    void authorityFileKeepsTheSystemsAuthorities()
    {
        const QList<QSslCertificate> added =
            QSslCertificate::fromPath(TestServer::caCertificatePath());
        QCOMPARE(added.size(), 1);
        const std::unique_ptr<QTemporaryFile> file = writeAuthorityFile(added);
        QVERIFY(file);
        QFile written(file->fileName());
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QFile system(systemAuthorityFile());
        if (system.open(QIODevice::ReadOnly))
            QVERIFY(text.startsWith(system.readAll()));
        QVERIFY(text.endsWith(added.first().toPem()));
    }

    // One exchange seen from both ends: the request the server receives, and
    // the one line the wire log keeps of it, without the token or the body.
    void requestsCarryTokenTypeAndEncodings()
    {
        static QStringList lines;
        lines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &context, const QString &message) {
                if (QByteArray(context.category) == "vhpd.transport")
                    lines.append(message);
            });
        QLoggingCategory::setFilterRules("vhpd.transport.info=true");
        NetworkManager::instance().setAuthToken("s3cret-token");
        m_server.on("POST", "/v1/login", ScriptedReply::json(QJsonObject(), 201));
        NetworkEventLoop loop(NetworkManager::instance().postJson(
            m_server.address() + "/v1/login", QJsonObject{{"password", "hunter2"}}));
        loop.exec();
        QLoggingCategory::setFilterRules("vhpd.transport.info=false");
        qInstallMessageHandler(previous);

        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.method, QString("POST"));
        QCOMPARE(seen.body, QByteArray(R"({"password":"hunter2"})"));
        QCOMPARE(seen.headers.value("authorization"), QByteArray("Bearer s3cret-token"));
        QCOMPARE(seen.headers.value("content-type"), QByteArray("application/json"));
        if (curlBackend())
            QVERIFY(seen.headers.value("accept-encoding").contains("gzip"));
        else
            QCOMPARE(seen.headers.value("accept-encoding"), QByteArray("identity"));
        QVERIFY(!seen.headers.contains("expect"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith("POST " + m_server.address() + "/v1/login -> 201"),
                 qPrintable(lines.first()));
        QVERIFY(lines.first().endsWith(" ms"));
        QVERIFY(!lines.first().contains("hunter2"));
        QVERIFY(!lines.first().contains("s3cret"));
    }

    void backendFollowsTheEnvironment()
    {
        const QByteArray chosen = qgetenv("VHPD_TRANSPORT");
        if (chosen.isEmpty())
            QCOMPARE(NetworkManager::instance().backend(), NetworkManager::DefaultBackend);
        else
            QCOMPARE(NetworkManager::instance().backend(), chosen == "curl"
                                                               ? NetworkManager::Backend::Curl
                                                               : NetworkManager::Backend::Qt);
    }

    void statusesMapToQtsErrors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        const QList<QPair<int, QNetworkReply::NetworkError>> rows{
            {200, QNetworkReply::NoError},
            {302, QNetworkReply::NoError},
            {400, QNetworkReply::ProtocolInvalidOperationError},
            {401, QNetworkReply::AuthenticationRequiredError},
            {403, QNetworkReply::ContentAccessDenied},
            {404, QNetworkReply::ContentNotFoundError},
            {405, QNetworkReply::ContentOperationNotPermittedError},
            {409, QNetworkReply::ContentConflictError},
            {410, QNetworkReply::ContentGoneError},
            {422, QNetworkReply::UnknownContentError},
            {500, QNetworkReply::InternalServerError},
            {501, QNetworkReply::OperationNotImplementedError},
            {502, QNetworkReply::UnknownServerError},
            {503, QNetworkReply::ServiceUnavailableError}};
        for (const auto &row : rows)
            QTest::newRow(QByteArray::number(row.first)) << row.first << int(row.second);
    }
    void statusesMapToQtsErrors()
    {
        QFETCH(int, status);
        QFETCH(int, error);
        ScriptedReply reply = ScriptedReply::text("body", status);
        reply.headers.append(qMakePair(QByteArray("Location"), QByteArray("/v1/elsewhere?x=1")));
        m_server.on("GET", "/v1/status", reply);
        NetworkEventLoop loop(get("/v1/status"));
        loop.exec();
        QCOMPARE(int(loop.error()), error);
        QCOMPARE(loop.httpStatus(), status);
        QCOMPARE(loop.body(), QByteArray("body"));
        // Only a redirection names its target; it is not followed.
        QCOMPARE(loop.redirectTarget(), QString(status == 302 ? "/v1/elsewhere?x=1" : ""));
        QCOMPARE(m_server.requestCount(), 1);
    }

    // A reply announces its head once, then its body, then its end. libcurl
    // takes compressed replies and decodes them; Qt's backend asks for plain
    // ones, since Qt would inflate a compressed reply out of reach of the
    // size limit.
    void replyAnnouncesHeadersThenBodyThenEnd()
    {
        QByteArray body = "[";
        for (int i = 0; i < 500; ++i)
            body += "{\"name\":\"floor " + QByteArray::number(i) + "\"},";
        body += "{}]";
        ScriptedReply scripted = ScriptedReply::text(body);
        scripted.contentType = "application/json";
        scripted.headers.append(qMakePair(QByteArray("X-Part"), QByteArray("a")));
        scripted.headers.append(qMakePair(QByteArray("X-Part"), QByteArray("b")));
        m_server.on("GET", "/v1/meta", scripted);
        QNetworkReply *reply = get("/v1/meta");
        QStringList events;
        QByteArray encoding;
        connect(reply, &QNetworkReply::metaDataChanged, this, [&] {
            encoding = reply->rawHeader("Content-Encoding");
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            events
                << QStringLiteral("headers %1 %2 %3 %4 %5")
                       .arg(QMetaType::typeName(status.userType()), status.toString(),
                            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                            QString(reply->rawHeader("x-part")),
                            reply->header(QNetworkRequest::ContentTypeHeader).toString());
        });
        connect(reply, &QNetworkReply::readyRead, this, [&] { events << "body"; });
        connect(reply, &QNetworkReply::finished, this, [&] {
            // Read a byte at a time, as a client of the transport may.
            QByteArray text;
            char c;
            while (reply->getChar(&c))
                text += c;
            events << "end " + QString(text);
        });
        QTRY_VERIFY(events.size() >= 3 && events.last().startsWith("end"));
        QCOMPARE(events.count(events.first()), 1);
        events.removeDuplicates();
        QCOMPARE(events, (QStringList{"headers int 200 OK a, b application/json", "body",
                                      "end " + QString(body)}));
        QCOMPARE(encoding.isEmpty(), !curlBackend());
    }

    void cancellingEndsAReplyAtAnyMoment_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("abort before it starts") << "abort at once";
        QTest::newRow("abort while the server thinks") << "abort later";
        QTest::newRow("abort from a slot, mid-body") << "abort on data";
        QTest::newRow("delete while the server thinks") << "delete later";
        QTest::newRow("delete mid-body") << "delete on data";
    }
    void cancellingEndsAReplyAtAnyMoment()
    {
        QFETCH(QString, how);
        ScriptedReply slow = ScriptedReply::text(QByteArray(20, 'x'));
        // 400 ms before the server answers, or a byte every 30 ms.
        if (how.endsWith("on data"))
            slow.trickleMs = 30;
        else
            slow.delayMs = 400;
        m_server.on("GET", "/v1/slow", slow);
        QNetworkReply *reply = get("/v1/slow");
        int finishes = 0;
        connect(reply, &QNetworkReply::finished, this, [&] { ++finishes; });
        if (how == "abort at once")
            reply->abort();
        else if (how == "abort later")
            QTimer::singleShot(100, reply, &QNetworkReply::abort);
        else if (how == "abort on data")
            connect(reply, &QNetworkReply::readyRead, reply, &QNetworkReply::abort);
        else
            QTimer::singleShot(150, [reply] { delete reply; });
        NetworkEventLoop loop(reply);
        loop.exec();
        QCOMPARE(loop.error(), QNetworkReply::OperationCanceledError);
        QTest::qWait(300);
        if (how.startsWith("abort"))
            QCOMPARE(finishes, 1);
        m_server.on("GET", "/v1/next", ScriptedReply::text("fine"));
        NetworkEventLoop next(get("/v1/next"));
        next.exec();
        QVERIFY(next.isSuccessful());
        QCOMPARE(next.body(), QByteArray("fine"));
    }

    void applicationProxyCarriesRequests()
    {
        m_server.on("GET", "/v1/through", ScriptedReply::json(QJsonObject()));
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", quint16(m_server.port())));
        NetworkEventLoop loop(NetworkManager::instance().get("http://backend.invalid/v1/through"));
        loop.exec();
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(m_server.lastRequest().headers.value("host"), QByteArray("backend.invalid"));
    }

    // Once the file is sent, the answer has the time-out of any exchange,
    // however the server dribbles it out (either reply would make the upload
    // succeed seconds later); a refusal is reported with its status. Progress
    // reaches the whole form either way.
    void uploadFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("trickleMs");
        QTest::addColumn<VHError::Kind>("kind");
        QTest::newRow("server silent") << 201 << 3000 << 0 << VHError::Kind::TimedOut;
        QTest::newRow("reply one byte every 100 ms") << 201 << 0 << 100 << VHError::Kind::TimedOut;
        QTest::newRow("413") << 413 << 0 << 0 << VHError::Kind::Http;
    }
    void uploadFailures()
    {
        QFETCH(int, status);
        QFETCH(int, delayMs);
        QFETCH(int, trickleMs);
        QFETCH(VHError::Kind, kind);
        QTemporaryFile file;
        QVERIFY(fill(file, QByteArray(100000, 'd')));
        ScriptedReply slow = ScriptedReply::json(QJsonObject{{"_id", QString(40, 'm')}}, status);
        slow.delayMs = delayMs;
        slow.trickleMs = trickleMs;
        m_server.on("POST", apiPath("model-service/models/dng"), slow);
        NetworkManager::instance().setTimeout(400);
        QSignalSpy progress(&NetworkManager::instance(), &NetworkManager::uploadProgress);
        VHUploadDNG upload;
        upload.filePath = file.fileName();
        QVERIFY(!VHPrimaryData::instance()->uploadModelDNG(upload));
        const VHError error = VHPrimaryData::instance()->lastError();
        QCOMPARE(error.kind, kind);
        QCOMPARE(error.method, QString("POST"));
        if (kind == VHError::Kind::Http)
            QCOMPARE(error.httpStatus, 413);
        QCOMPARE(m_server.lastRequest().formFields.value("file"), QByteArray(100000, 'd'));
        QVERIFY(!progress.isEmpty());
        const QList<QVariant> last = progress.last();
        QCOMPARE(last.at(0).toLongLong(), last.at(1).toLongLong());
        QVERIFY(last.at(1).toLongLong() >= file.size());
    }

    // A file's name cannot end its part's header: quotes and line breaks
    // travel percent-encoded, the same on both backends.
    void uploadEscapesTheFileName()
    {
        // A file that cannot be read sends nothing.
        QVERIFY(!CFileUploadProxy::uploadDNG("/nonexistent/model.dng", {}));
        QCOMPARE(m_server.requestCount(), 0);
#ifdef Q_OS_WIN
        QSKIP("Windows file names cannot hold quotes or line breaks");
#endif
        QTemporaryDir dir;
        const QString name = "evil\"; name=\"projectId\r\nX-Injected: 1\r\n\r\nforged.dng";
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("model") == 5);
        file.close();
        m_server.on("POST", apiPath("model-service/models/dng"), ScriptedReply::json({}, 201));
        QVERIFY(CFileUploadProxy::uploadDNG(file.fileName(), {{"projectId", "p1"}}));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.formFields,
                 (QMap<QString, QByteArray>{{"file", "model"}, {"projectId", "p1"}}));
        QCOMPARE(seen.formFileNames.value("file"),
                 QString("evil%22; name=%22projectId%0D%0AX-Injected: 1%0D%0A%0D%0Aforged.dng"));
    }

    // The cookies a server sets are kept as browsers keep theirs: none over
    // 4 KiB, at most 50 per domain, so that a request never carries more
    // than 64 KiB of them.
    void cookieStoreStaysBounded_data()
    {
        QTest::addColumn<int>("replies");
        QTest::addColumn<int>("perReply");
        QTest::addColumn<int>("valueBytes");
        QTest::addColumn<int>("cookiesSentBack");
        // A megabyte of cookies unbounded, in replies of 100 Set-Cookie lines
        // (set one line at a time they would take time square in their number).
        QTest::newRow("100 new 1 KiB cookies in each of 10 replies") << 10 << 100 << 1024 << 50;
        QTest::newRow("cookies of 5000 bytes") << 1 << 3 << 5000 << 0;
        QTest::newRow("a few small ones") << 2 << 3 << 10 << 6;
        // 26 cookies named c0 to c25 whose "name=value; " fill 64 KiB exactly,
        // then one byte more.
        QTest::newRow("header filled exactly") << 1 << 26 << 2515 << 26;
        QTest::newRow("header one byte over") << 1 << 26 << 2516 << 25;
    }
    void cookieStoreStaysBounded()
    {
        QFETCH(int, replies);
        QFETCH(int, perReply);
        QFETCH(int, valueBytes);
        QFETCH(int, cookiesSentBack);
        // An HTTP server library would refuse the Cookie headers of an unbounded store.
        std::atomic<int> serial{0};
        RawPeer peer([&](const QByteArray &) {
            QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
            for (int i = 0; i < perReply; ++i)
                reply += "Set-Cookie: c" + QByteArray::number(serial++) + "=" +
                         QByteArray(valueBytes, 'v') + "; Path=/\r\n";
            return reply + "\r\n{}";
        });
        VHBaseApi::GetInstance().setIp(peer.address());
        // Under Wine, 100 KiB of headers take seconds to read.
        NetworkManager::instance().setTimeout(60000);
        for (int i = 0; i <= replies; ++i) {
            NetworkEventLoop loop(NetworkManager::instance().get(peer.address() + "/v1/set"));
            loop.exec();
            QVERIFY2(loop.isSuccessful(), qPrintable(loop.failure().detail));
        }
        // The last request carries what the earlier replies left.
        QByteArray cookies;
        for (const QByteArray &line : peer.lastRequest().split('\n')) {
            if (line.toLower().startsWith("cookie:"))
                cookies = line.mid(7).trimmed();
        }
        QVERIFY2(cookies.size() <= 64 * 1024, QByteArray::number(cookies.size()));
        QCOMPARE(cookies.isEmpty() ? 0 : cookies.count(';') + 1, cookiesSentBack);
        NetworkManager::instance().clearSession();
    }

    // A program about to end waits for the requests it did not wait for, and
    // learns whether they ended in time.
    void pendingRequestsCanBeAwaited()
    {
        ScriptedReply slow = ScriptedReply::json(QJsonObject());
        slow.delayMs = 300;
        m_server.on("GET", "/v1/slow", slow);
        QNetworkReply *reply = get("/v1/slow");
        connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
        QVERIFY(!NetworkManager::instance().waitForPendingRequests(50));
        QVERIFY(NetworkManager::instance().waitForPendingRequests(10000));
        QCOMPARE(m_server.requestCount(), 1);
    }

    // A server may close a connection kept for the next request at any time;
    // the next request then goes out whole on a new one, as if nothing
    // happened: a body from memory, or a form read from its file again.
    void keptConnectionClosedByTheServerIsReplaced_data()
    {
        QTest::addColumn<bool>("form");
        QTest::newRow("JSON body") << false;
        QTest::newRow("file form") << true;
    }
    void keptConnectionClosedByTheServerIsReplaced()
    {
        QFETCH(bool, form);
        RawPeer peer([](const QByteArray &) {
            return QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Content-Length: 2\r\n\r\n{}");
        });
        const QByteArray content = QByteArray("0123456789").repeated(1000);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(content);
        file.flush();
        for (int i = 0; i < 3; ++i) {
            // The close arrives while nothing reads: the connection still
            // looks open when the next request takes it.
            QThread::msleep(50);
            const QString url = peer.address() + "/v1/again";
            NetworkEventLoop loop(
                form ? NetworkManager::instance().sendFileForm(
                           url, "POST", {{"n", QString::number(i)}}, file.fileName())
                     : NetworkManager::instance().postJson(url, QJsonObject{{"n", i}}));
            loop.exec();
            QCOMPARE(loop.error(), QNetworkReply::NoError);
            QCOMPARE(loop.body(), QByteArray("{}"));
        }
        QCOMPARE(peer.connections(), 3);
        const QByteArray request = peer.lastRequest();
        if (form) {
            QVERIFY(request.contains("\r\n\r\n2\r\n"));
            QVERIFY(request.contains("\r\n\r\n" + content + "\r\n"));
        } else {
            QVERIFY(request.endsWith("\r\n\r\n{\"n\":2}"));
        }
    }

    // A token is one header's value, whatever the login reply put in it.
    void tokenCannotWriteHeaders()
    {
        m_server.on("GET", "/v1/next", ScriptedReply::json({}));
        NetworkManager::instance().setAuthToken("t0k\r\nX-Injected: 1\r\n");
        NetworkEventLoop loop(get("/v1/next"));
        loop.exec();
        const RecordedRequest seen = m_server.lastRequest();
        QVERIFY(!seen.headers.contains("x-injected"));
        QVERIFY(seen.headers.value("authorization").startsWith("Bearer t0k  X-Injected: 1"));
    }

    // The bearer token and the backend's cookies go only to the origin of
    // the API root they came from: not to another port or host, nor to a
    // new API root; and not after the session was cleared.
    void credentialsStayWithTheirOrigin_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("credentials");
        QTest::newRow("the API root") << ""
                                      << "" << true;
        QTest::newRow("another port") << "127.0.0.1"
                                      << "" << false;
        QTest::newRow("another host") << "127.0.0.2"
                                      << "" << false;
        QTest::newRow("after the API root moved") << "127.0.0.1"
                                                  << "move root" << false;
        QTest::newRow("after the session was cleared") << ""
                                                       << "clear session" << false;
    }
    void credentialsStayWithTheirOrigin()
    {
        QFETCH(QString, host);
        QFETCH(QString, then);
        QFETCH(bool, credentials);
        TestServer other(TestServer::Scheme::Http, host.isEmpty() ? "127.0.0.1" : host);
        const TestServer &target = host.isEmpty() ? m_server : other;
        ScriptedReply withCookie = ScriptedReply::json(QJsonObject());
        withCookie.headers.append(
            qMakePair(QByteArray("Set-Cookie"), QByteArray("sid=abc; Path=/")));
        m_server.on("GET", "/v1/set", withCookie);
        for (const TestServer *server : {&m_server, &other})
            const_cast<TestServer *>(server)->on("GET", "/v1/next", ScriptedReply::json({}));
        NetworkManager::instance().setAuthToken("t0k");
        NetworkEventLoop set(get("/v1/set"));
        set.exec();
        if (then == "move root")
            VHBaseApi::GetInstance().setIp(other.address());
        else if (then == "clear session")
            NetworkManager::instance().clearSession();

        NetworkEventLoop next(NetworkManager::instance().get(target.address() + "/v1/next"));
        next.exec();
        QVERIFY(next.isSuccessful());
        const RecordedRequest seen = target.lastRequest();
        QCOMPARE(seen.headers.value("authorization"), QByteArray(credentials ? "Bearer t0k" : ""));
        QCOMPARE(seen.headers.value("cookie"), QByteArray(credentials ? "sid=abc" : ""));
    }

private:
    static bool curlBackend()
    {
        return NetworkManager::instance().backend() == NetworkManager::Backend::Curl;
    }

    static bool fill(QTemporaryFile &file, const QByteArray &content)
    {
        return file.open() && file.write(content) == content.size() && file.flush();
    }

    QNetworkReply *get(const QString &path)
    {
        return NetworkManager::instance().get(m_server.address() + path);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
