#include "httpserver.h"
#include "platformlimits.h"
#include "sandbox.h"
#include "testserver.h"
#include "testshard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/types.h>
#endif
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the access-control API builds on its types.
#include <aclapi.h>

#include <vector>
#endif

namespace {

// What one run of the program gave.
struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;

    QJsonDocument json() const { return QJsonDocument::fromJson(out); }
    QByteArray all() const { return out + err; }
};

// Where the program keeps its login, below the configuration home it was given.
const char *const kSessionFile = "/vhpd/session.json";

#ifdef Q_OS_UNIX
int modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
#endif

// True when only the user running the tests may use `path`: mode 0600 for a
// file, 0700 for a folder on POSIX; on Windows an access list with a single
// entry, which admits that user (set on the path or inherited from its folder).
bool ownerOnly(const QString &path)
{
#ifdef Q_OS_WIN
    std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(&native[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool result = list && list->AceCount == 1;
    void *entry = nullptr;
    if (result && GetAce(list, 0, &entry)) {
        const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
        HANDLE token = nullptr;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> user(size);
        result = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
                 allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                 EqualSid(const_cast<DWORD *>(&allowed->SidStart),
                          reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
        CloseHandle(token);
    }
    LocalFree(descriptor);
    return result;
#else
    return modeOf(path) == (QFileInfo(path).isDir() ? 0700 : 0600);
#endif
}

QStringList names(const QJsonArray &records, const char *key = "name")
{
    QStringList result;
    for (const QJsonValue &record : records)
        result.append(record[QLatin1String(key)].toString());
    return result;
}

} // namespace

class TestVhpd : public QObject
{
    Q_OBJECT

private:
    // Runs the program with its login kept in "vhpd" below `configHome` (the
    // logged-in one by default) and `input` on its standard input.
    Run vhpd(const QStringList &arguments, const QByteArray &input = QByteArray(),
             const QString &configHome = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VHPD_CONFIG_DIR",
                           QDir::toNativeSeparators(
                               (configHome.isEmpty() ? m_config.path() : configHome) + "/vhpd"));
        return vhpdIn(environment, arguments, input);
    }

    Run vhpdIn(QProcessEnvironment environment, const QStringList &arguments,
               const QByteArray &input = QByteArray())
    {
        environment.insert("VH_PACKAGE_API", m_root + "/updates/");
        environment.insert("TZ", "UTC"); // days and times as the seed data writes them
        environment.remove("VHPD_SERVER");
        environment.remove("VHPD_PASSWORD");
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(VHPD_BINARY, arguments);
        process.write(input);
        process.closeWriteChannel();
        Run run;
        if (!process.waitForFinished(60000))
            return run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
#ifdef Q_OS_WIN
        // Standard streams in text mode end lines with "\r\n" there.
        run.out.replace("\r\n", "\n");
        run.err.replace("\r\n", "\n");
#endif
        return run;
    }

    QString sessionPath() const
    {
        return m_config.path() + kSessionFile;
    }

    QJsonObject session() const
    {
        QFile file(sessionPath());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<HttpServer> m_server;
    QString m_root;
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        SandboxOptions options;
        options.dataFile = VHPD_SANDBOX_SEED;
        m_sandbox.reset(new Sandbox(options));
        QString error;
        QVERIFY2(m_sandbox->load(error), qPrintable(error));
        m_server.reset(new HttpServer(*m_sandbox));
        const int port = m_server->start("127.0.0.1", 0);
        QVERIFY(port > 0);
        m_root = QString("http://127.0.0.1:%1").arg(port);

        QCOMPARE(
            vhpd({"--server", m_root, "login", "demo", "--password-stdin"}, "demo123\n").status, 0);
        const Run entered = vhpd({"enter", "riverside"});
        QCOMPARE(entered.status, 0);
        QCOMPARE(entered.out,
                 "Current project: Riverside Medical Centre (673e81f25e17ab1c0d3a5c17)\n");
    }

    void cleanupTestCase()
    {
        m_server->stop();
    }

    void loginKeepsAPrivateSession()
    {
        QTemporaryDir fresh;
        const Run refused = vhpd({"--server", m_root, "login", "demo", "--password-stdin"},
                                 "not-the-password\n", fresh.path());
        QCOMPARE(refused.status, 4);
        QVERIFY(refused.err.contains("login refused: wrong name or password"));
        QVERIFY(!refused.all().contains("not-the-password"));
        QVERIFY(!QFile::exists(fresh.path() + kSessionFile));

        // Logging in again as the same user keeps the current project.
        const Run accepted =
            vhpd({"--server", m_root, "login", "demo", "--password-stdin"}, "demo123\n");
        QCOMPARE(accepted.status, 0);
        const QJsonObject saved = session();
        QCOMPARE(saved["server"].toString(), m_root + "/");
        QCOMPARE(saved["user"]["name"].toString(), "demo");
        QCOMPARE(saved["projectName"].toString(), "Riverside Medical Centre");
        QVERIFY(!saved["token"].toString().isEmpty());
        QVERIFY(!accepted.all().contains("demo123"));
        QVERIFY(!accepted.all().contains(saved["token"].toString().toUtf8()));

        const Run whoami = vhpd({"--json", "whoami"});
        QCOMPARE(whoami.status, 0);
        QCOMPARE(whoami.json()["name"].toString(), "demo");
        QCOMPARE(whoami.json()["project"]["id"].toString(), "673e81f25e17ab1c0d3a5c17");
    }

    // Where the login is kept: VHPD_CONFIG_DIR on every platform, else the
    // platform's configuration folder; `vhpd --help` names the file. A folder
    // the program makes is private, one the user chose and made keeps its
    // permissions, and the file is private in both.
    void sessionFolder_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("chosen, made by the program") << "VHPD_CONFIG_DIR"
                                                     << "chosen/vhpd"
                                                     << "chosen/vhpd" << false;
        QTest::newRow("chosen, made by the user") << "VHPD_CONFIG_DIR"
                                                  << "shared"
                                                  << "shared" << true;
#ifdef Q_OS_WIN
        // The default, %APPDATA%\vhpd, is the profile's: only named here.
        QTest::newRow("default") << ""
                                 << ""
                                 << "" << false;
#else
        QTest::newRow("default below XDG_CONFIG_HOME") << "XDG_CONFIG_HOME"
                                                       << ""
                                                       << "vhpd" << false;
#endif
    }
    void sessionFolder()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, folder);
        QFETCH(bool, folderExists);
        QTemporaryDir scratch;
        const QString chosen = scratch.filePath(folder);
        if (folderExists) {
            QVERIFY(QDir().mkpath(chosen));
#ifdef Q_OS_UNIX
            QVERIFY(QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadGroup |
                                                      QFile::ExeGroup));
#endif
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("VHPD_CONFIG_DIR");
        if (!variable.isEmpty())
            environment.insert(variable,
                               QDir::toNativeSeparators(value.isEmpty() ? scratch.path()
                                                                        : scratch.filePath(value)));

        QString file = chosen + "/session.json";
        if (variable.isEmpty()) {
            const QString tests = QCoreApplication::applicationName();
            QCoreApplication::setApplicationName("vhpd");
            file =
                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/session.json";
            QCoreApplication::setApplicationName(tests);
        }
        const Run help = vhpdIn(environment, {"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.simplified().contains(QDir::toNativeSeparators(file).toUtf8()),
                 help.out.constData());
        if (variable.isEmpty())
            return;

        const Run login = vhpdIn(
            environment, {"--server", m_root, "login", "demo", "--password-stdin"}, "demo123\n");
        QCOMPARE(login.status, 0);
        QVERIFY(QFile::exists(file));
        const bool filePrivate = ownerOnly(file);
        const bool folderPrivate = ownerOnly(chosen);
        QCOMPARE(vhpdIn(environment, {"logout"}).status, 0);
        QVERIFY(!QFile::exists(file));
        if (runningUnderWine())
            QSKIP("who may read the login is not checked: Wine keeps no access list set on a "
                  "file, it derives one from the file's Unix mode bits");
        QVERIFY(filePrivate);
        QCOMPARE(folderPrivate, !folderExists);
    }

    void codeLoginShowsNoCode()
    {
        QTemporaryDir fresh;
        const Run login =
            vhpd({"--server", m_root, "login", "--phone", "13800000001", "--debug-code"},
                 QByteArray(), fresh.path());
        QCOMPARE(login.status, 0);
        QVERIFY2(!QRegularExpression("(^|\\D)\\d{6}(\\D|$)").match(login.all()).hasMatch(),
                 login.all().constData());
        QCOMPARE(vhpd({"whoami"}, QByteArray(), fresh.path()).status, 0);
    }

    void listsAsJson()
    {
        const Run projects = vhpd({"projects", "--json"});
        QCOMPARE(projects.json()["items"].toArray().size(), 9);

        // Natural name order: "Level 2" before "Level 10"; tags by type name.
        const QJsonArray models = vhpd({"models", "--json"}).json()["items"].toArray();
        const QStringList modelNames = names(models);
        QCOMPARE(modelNames.size(), 16);
        QCOMPARE(modelNames.first(), "Block A - Architecture");
        QVERIFY(modelNames.indexOf("Block A - Level 2 Fit-out") <
                modelNames.indexOf("Block A - Level 10 Fit-out"));
        QCOMPARE(models.first()["tagNames"].toArray(),
                 QJsonArray({"Building: Block A", "Discipline: Architecture"}));

        QCOMPARE(
            vhpd({"--json", "model-history", "Block A - Architecture"}).json()["count"].toInt(), 4);
        const QJsonObject diff =
            vhpd({"--json", "model-compare", "Block A - Architecture", "1", "4"}).json().object();
        QCOMPARE(diff["add"].toArray().size(), 42);
        QCOMPARE(diff["del"].toArray().size(), 17);

        QCOMPARE(names(vhpd({"--json", "qr-templates"}).json()["items"].toArray()),
                 QStringList({"Label 2", "label 10", "Standard label"}));
        QCOMPARE(vhpd({"--json", "stats"}).json()["unfinishedContactSheets"].toInt(), 8);
        QCOMPARE(names(vhpd({"--json", "update-check"}).json()["items"].toArray(), "version"),
                 QStringList({"3.8.2", "3.9.0"}));
    }

    void pagesFollowEachOther_data()
    {
        QTest::addColumn<QStringList>("search");
        QTest::newRow("projects") << QStringList{"projects", "--search", ""};
        QTest::newRow("entities") << QStringList{"entities", "--name", "wall"};
        QTest::newRow("a list read whole") << QStringList{"models"};
    }

    // The second page of three is the second half of the first page of six.
    void pagesFollowEachOther()
    {
        QFETCH(QStringList, search);
        const QString member = "items";
        const QJsonObject wide =
            vhpd(search + QStringList{"--json", "--page-size", "6"}).json().object();
        const QJsonObject narrow =
            vhpd(search + QStringList{"--json", "--page", "2", "--page-size", "3"}).json().object();
        QVERIFY(wide["count"].toInt() > 6);
        QCOMPARE(narrow["count"], wide["count"]);
        QCOMPARE(narrow["page"].toInt(), 2);
        const QJsonArray all = wide[member].toArray();
        QCOMPARE(narrow[member].toArray(), QJsonArray({all[3], all[4], all[5]}));
    }

    void everyCommandAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shows");
        const QString wall = "92471b74-c5e7-dea6-14b9-7097aa5053d1-0006ed33";
        QTest::newRow("user") << QStringList{"user", "675946805e17ab1c0d3a5c02"}
                              << "Signature: BIM coordinator\n";
        QTest::newRow("countries") << QStringList{"countries"} << "CODE\n+86\n+852\n+853\n";
        QTest::newRow("project") << QStringList{"project"} << "City:           Shenzhen\n";
        QTest::newRow("members") << QStringList{"members"}
                                 << "sarah.okafor    Sarah Okafor           Owner's Project Team";
        QTest::newRow("invite-link")
            << QStringList{"invite-link"} << "https://sandbox.vhplatform.local/invite/";
        QTest::newRow("request") << QStringList{"request", "675946805e17ab1c0d3a5c6a"}
                                 << "User:        grace.kim\n";
        QTest::newRow("circles") << QStringList{"circles"} << "Northbridge Healthcare Division";
        QTest::newRow("enterprises")
            << QStringList{"enterprises"} << "Northbridge Construction Group";
        QTest::newRow("structures") << QStringList{"structures"} << "Facade Subcontractor";
        QTest::newRow("domains") << QStringList{"domains"} << "Fire Protection  6\n";
        QTest::newRow("species") << QStringList{"species"} << "Reinforced concrete";
        QTest::newRow("subcontracts") << QStringList{"subcontracts"} << "Deepcore Foundations";
        QTest::newRow("encoding") << QStringList{"encoding"}
                                  << "{project}-{building}-{floor}-{domain}-{sequence}  -\n";
        QTest::newRow("modules") << QStringList{"modules"} << "Contact Sheets  contactsheet";
        QTest::newRow("module-groups") << QStringList{"module-groups"} << "Contact Sheets";
        QTest::newRow("periods") << QStringList{"periods", "RMC-S-L00-ARC-02741"}
                                 << "Planned start: 2025-09-18\n";
        QTest::newRow("model version") << QStringList{"model", "block a - arch", "--version", "2"}
                                       << "Size:         370.8 MiB\n";
        QTest::newRow("recent") << QStringList{"recent"} << "Podium - Structure";
        QTest::newRow("model-sets")
            << QStringList{"model-sets"} << "Block A coordination       6  ";
        QTest::newRow("model-set") << QStringList{"model-set", "block a coordination"}
                                   << "By:      demo\nId:      675946805e17ab1c0d3a6a5e\n\nNAME";
        QTest::newRow("tags") << QStringList{"tags"} << "Building    Podium";
        QTest::newRow("compare entity")
            << QStringList{"compare",  "Block A - Architecture",
                           "1",        "4",
                           "--entity", "e665e7e0-3351-dc1e-75f1-c9eea39dc34c-0007f6c4"}
            << "Dimensions   Length      1488 mm                 1638 mm                 yes";
        QTest::newRow("entity-tree") << QStringList{"entity-tree"}
                                     << "B2       HVAC (3), Electrical (3), Fire Protection (3)";
        QTest::newRow("properties")
            << QStringList{"properties", wall} << "Quality       Inspection batch  B-2025-122";
        QTest::newRow("merged properties")
            << QStringList{"properties", wall, "39f62fa5-cc69-830c-da97-a59c6f6fddb6-000dab08"}
            << "Quality       Inspection batch\n";
        QTest::newRow("property-search")
            << QStringList{"property-search", "Shenzhen Steel"} << wall + "\n";
        QTest::newRow("qr-setting") << QStringList{"qr-setting"} << "files/logos/demo.png";
        QTest::newRow("qr-template") << QStringList{"qr-template", "675946805e17ab1c0d3a7074"}
                                     << "Project  Riverside Medical Centre  no\n";
        QTest::newRow("prints") << QStringList{"prints", "675946805e17ab1c0d3a5cbf"}
                                << "Name: Plant Room Skid: PR-03";
        QTest::newRow("stats") << QStringList{"stats", "--period", "year"}
                               << "Your inspections:                 25\n";
        QTest::newRow("help of an earlier name")
            << QStringList{"history", "--help"} << "Usage: vhpd model-history";
    }

    void everyCommandAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shows);
        const Run run = vhpd(arguments);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(shows.toUtf8()), run.out.constData());
        QVERIFY(run.err.isEmpty());
    }

    void entityFilters_data()
    {
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<int>("count");
        const QString model = "67e27b475e17ab1c0d3a5cbb";
        QTest::newRow("whole model") << QStringList{"--model", model} << 330;
        QTest::newRow("two models")
            << QStringList{"--model", model, "--model", "6808ae415e17ab1c0d3a5e1c"} << 630;
        QTest::newRow("group") << QStringList{"--model", model, "--group"} << 3;
        QTest::newRow("floor") << QStringList{"--model", model, "--floor", "L04"} << 26;
        QTest::newRow("category") << QStringList{"--model",  model, "--floor",    "L04",
                                                 "--domain", "1",   "--category", "101"}
                                  << 7;
        QTest::newRow("printed between")
            << QStringList{"--printed-from", "2026-01-10", "--printed-to", "2026-01-14"} << 38;
        QTest::newRow("printed by")
            << QStringList{"--printed-by", "675946805e17ab1c0d3a5c07"} << 197;
        QTest::newRow("printed walls") << QStringList{"--name", "WALL", "--printed"} << 52;
    }

    void entityFilters()
    {
        QFETCH(QStringList, filters);
        QFETCH(int, count);
        const Run run = vhpd(QStringList{"--json", "entities", "--page-size", "1"} + filters);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.json()["count"].toInt(), count);
    }

    void tablesAreReadable()
    {
        const Run models = vhpd({"models"});
        QCOMPARE(models.status, 0);
        const QList<QByteArray> lines = models.out.split('\n');
        QVERIFY(lines.first().startsWith("NAME  "));
        QVERIFY(lines[1].startsWith("Block A - Architecture "));
        QVERIFY(lines[1].contains(" 412.0 MiB "));
        QVERIFY(lines[1].contains(" Building: Block A, Discipline: Architecture "));
    }

    // Piped, a table keeps every cell whole: scripts reading it lose nothing.
    void tablesAreWholeWhenPiped()
    {
        const Run prints = vhpd({"prints", "675946805e17ab1c0d3a5cbf"});
        QCOMPARE(prints.status, 0);
        QVERIFY2(prints.out.contains("Name: Plant Room Skid: PR-03, Floor: -, Code: "
                                     "RMC-A-GRP-ARC-00003  6903a7685e17ab1c0d3a6c5e\n"),
                 prints.out.constData());
        // Ids are shown as the names of users, enterprises and circles.
        QVERIFY2(prints.out.contains("2025-10-30 17:59  chen.hao  2"), prints.out.constData());
        const Run project = vhpd({"project"});
        QVERIFY(project.out.contains("Administrators: demo, li.wei\n"));
        QVERIFY(project.out.contains("Enterprise:     Northbridge\n"));
        const Run model = vhpd({"model", "Block A - Level 2 Fit-out"});
        QVERIFY2(model.out.contains("Preprocessed: waiting\n"), model.out.constData());
    }

    // Whatever a command takes, a name (or part of one) does as well as an id.
    void namesDoAsWellAsIds_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("member"); // "count", or the "id" of the record or first item
        QTest::addColumn<QString>("expected");
        QTest::newRow("model filter")
            << QStringList{"entities", "--model", "Block A - Plumbing"} << "count"
            << "180";
        QTest::newRow("printed by") << QStringList{"entities", "--printed-by", "demo"} << "count"
                                    << "145";
        QTest::newRow("nickname") << QStringList{"user", "Sarah Okafor"} << "id"
                                  << "675946805e17ab1c0d3a5c03";
        QTest::newRow("model set") << QStringList{"model-set", "block a coord"} << "id"
                                   << "675946805e17ab1c0d3a6a5e";
        QTest::newRow("another member's set") << QStringList{"model-set", "Fit-out review"} << "id"
                                              << "675946805e17ab1c0d3a6a60";
        QTest::newRow("sets by") << QStringList{"model-sets", "--by", "tom.hughes"} << "id"
                                 << "675946805e17ab1c0d3a6a60";
        QTest::newRow("tag by type") << QStringList{"tag", "Discipline: Architecture"} << "id"
                                     << "675946805e17ab1c0d3a5cb1";
        QTest::newRow("entity by QR code") << QStringList{"prints", "RMC-A-GRP-ARC-00003"} << "id"
                                           << "6903a7685e17ab1c0d3a6c5e";
        QTest::newRow("enterprise")
            << QStringList{"projects", "--enterprise", "northbridge"} << "count"
            << "4";
        QTest::newRow("project") << QStringList{"--project", "lakeview", "models"} << "count"
                                 << "5";
    }

    void namesDoAsWellAsIds()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, member);
        QFETCH(QString, expected);
        const Run run = vhpd(QStringList{"--json"} + arguments);
        QCOMPARE(run.status, 0);
        QJsonObject found = run.json().object();
        if (member == "count") {
            QCOMPARE(QString::number(found["count"].toInt()), expected);
            return;
        }
        if (found.contains("items"))
            found = found["items"].toArray().first().toObject();
        QCOMPARE(found[member].toString(), expected);
    }

    // An id or name that matches nothing is a failure: exit status 1 and
    // nothing on standard output.
    void unknownRecordsPrintNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString none = "000000000000000000000000";
        QTest::newRow("entity") << QStringList{"entity", none} << "no entity matches";
        QTest::newRow("prints of no entity") << QStringList{"prints", "nosuch"} << "no entity";
        QTest::newRow("print") << QStringList{"print", "675946805e17ab1c0d3a5cbf", none}
                               << "has no print record";
        QTest::newRow("model set") << QStringList{"model-set", none} << "no model set matches";
        QTest::newRow("models by ids")
            << QStringList{"models-by-ids", "67e27b475e17ab1c0d3a5cbb", none} << "no model " + none;
        QTest::newRow("model names") << QStringList{"model-names", none} << "no model";
        QTest::newRow("model version")
            << QStringList{"model-version", "Block A - Architecture", "9"} << "has no version 9";
        QTest::newRow("tag") << QStringList{"tag", "nosuch"} << "no model tag matches";
        QTest::newRow("qr template")
            << QStringList{"qr-template", "nosuch"} << "no QR template matches";
        QTest::newRow("project") << QStringList{"project", "nosuch"} << "no project matches";
        QTest::newRow("member") << QStringList{"user", "nobody"} << "no member of the project";
        QTest::newRow("entity of a uuid")
            << QStringList{"entities-by-uuids", "Block A - Architecture", "nosuch-uuid"}
            << "has no entity of nosuch-uuid";
    }

    void unknownRecordsPrintNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run text = vhpd(arguments);
        QCOMPARE(text.status, 1);
        QVERIFY(text.out.isEmpty());
        QVERIFY2(text.err.contains(message.toUtf8()), text.err.constData());
    }

    // Every list has the same envelope with --json, and a page past its end
    // is a failure; the first page of an empty list is not.
    void listsHaveOneShape_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("count"); // -1: any
        QTest::newRow("projects") << QStringList{"projects"} << 9;
        QTest::newRow("project search") << QStringList{"projects", "--search", "clinic"} << -1;
        QTest::newRow("countries") << QStringList{"countries"} << -1;
        QTest::newRow("tags") << QStringList{"tags"} << 6;
        QTest::newRow("entity tree") << QStringList{"entity-tree"} << -1;
        QTest::newRow("property search") << QStringList{"property-search", "Shenzhen Steel"} << -1;
        QTest::newRow("properties")
            << QStringList{"properties", "92471b74-c5e7-dea6-14b9-7097aa5053d1-0006ed33"} << -1;
        QTest::newRow("prints") << QStringList{"prints", "675946805e17ab1c0d3a5cbf"} << 1;
        QTest::newRow("periods") << QStringList{"periods", "RMC-S-L00-ARC-02741"} << -1;
        QTest::newRow("empty search") << QStringList{"entities", "--name", "no such name"} << 0;
    }

    void listsHaveOneShape()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, count);
        const QJsonObject page = vhpd(QStringList{"--json"} + arguments).json().object();
        QCOMPARE(page.keys(), QStringList({"count", "items", "page", "pageSize"}));
        if (count >= 0)
            QCOMPARE(page["count"].toInt(), count);
        QVERIFY(page["items"].toArray().size() <= page["count"].toInt());

        const QString past = QString::number(qMax(1, page["count"].toInt()) + 1);
        const Run pastTheEnd = vhpd(arguments + QStringList{"--page-size", "1", "--page", past});
        QCOMPARE(pastTheEnd.status, 1);
        QVERIFY(pastTheEnd.out.isEmpty());
        QVERIFY2(pastTheEnd.err.contains("is past the end"), pastTheEnd.err.constData());
    }

    // The help, the manual and the completion are made from one command
    // table: each names every command, in lines that fit 80 columns.
    void helpCoversEveryCommand()
    {
        const Run bash = vhpd({"completion", "bash"});
        QCOMPARE(bash.status, 0);
        const QRegularExpressionMatch listed =
            QRegularExpression("local commands='([^']+)'").match(QString::fromUtf8(bash.out));
        QVERIFY(listed.hasMatch());
        const QStringList commands = listed.captured(1).split(' ');
        QVERIFY(commands.size() > 75);

        const QString general = QString::fromUtf8(vhpd({"--help"}).out);
        const QString manual = QString::fromUtf8(vhpd({"man-page"}).out);
        QVERIFY(manual.startsWith(".TH VHPD 1 "));
        for (const QString &command : commands) {
            QVERIFY2(general.contains(QRegularExpression("\\n  " + command + " +\\S")),
                     qPrintable(command));
            QVERIFY2(manual.contains(".SS " + QString(command).replace("-", "\\-")),
                     qPrintable(command));
        }
        // Each command comes with examples and its JSON shape.
        QCOMPARE(manual.count("\nExamples:\n"), commands.size());
        QCOMPARE(manual.count("\nJSON: "), commands.size());
        // Earlier names are accepted, and shown nowhere.
        QVERIFY(!general.contains("\n  history "));
        QVERIFY(!bash.out.contains(" history "));

        QStringList texts{general, QString::fromUtf8(vhpd({"help", "json"}).out)};
        for (const char *command : {"entities", "model-upload", "login", "property-set"})
            texts.append(QString::fromUtf8(vhpd({"help", command}).out));
        for (const QString &text : texts) {
            for (const QString &line : text.split('\n'))
                QVERIFY2(line.size() <= 80, qPrintable(line));
        }
        QVERIFY(texts.last().contains("\nExamples:\n  vhpd property-set "));
        QVERIFY(texts[1].contains(QRegularExpression("\\n  project +adminIds, .*createdAt")));
    }

    // The generated manual page is valid roff: groff finds nothing to warn of.
    void manualPageIsValid()
    {
        const QString groff = QStandardPaths::findExecutable("groff");
        if (groff.isEmpty())
            QSKIP("groff is not installed");
        QProcess process;
        process.start(groff, {"-man", "-Tutf8", "-ww", "-z"});
        process.write(vhpd({"man-page"}).out);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
    }

    // A mistyped command or option is answered with what it may have meant.
    void mistakesGetSuggestions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("swapped letters")
            << QStringList{"modles"} << "unknown command \"modles\"; did you mean models";
        QTest::newRow("an earlier name, mistyped")
            << QStringList{"histroy", "x"} << "did you mean model-history?";
        QTest::newRow("option") << QStringList{"models", "--readabel"}
                                << "unknown option --readabel; did you mean --readable?";
        QTest::newRow("global option")
            << QStringList{"--sever", "x", "models"} << "did you mean --server?";
        QTest::newRow("help of a mistyped command")
            << QStringList{"help", "model-sest"} << "did you mean model-sets or model-set?";
        QTest::newRow("nothing close") << QStringList{"xyzzy"} << "unknown command \"xyzzy\" (";
    }

    void mistakesGetSuggestions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = vhpd(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    }

    // The bash completion offers commands, a command's options, files where
    // a file is wanted, and nothing of the hidden names.
    void bashCompletes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("offered");
        QTest::newRow("commands") << "vhpd model-s"
                                  << "model-sets model-set model-set-create";
        QTest::newRow("after global options") << "vhpd --server http://x --json entity-t"
                                              << "entity-tree";
        QTest::newRow("options") << "vhpd models --r"
                                 << "--readable";
        QTest::newRow("paging of a list") << "vhpd tags --page"
                                          << "--page --page-size";
        QTest::newRow("earlier name's options") << "vhpd upload --rep"
                                                << "--replace";
        QTest::newRow("help topics") << "vhpd help js"
                                     << "json";
        QTest::newRow("shells") << "vhpd completion z"
                                << "zsh";
        QTest::newRow("files") << "vhpd model-upload " + m_config.path() + "/vh"
                               << m_config.path() + "/vhpd";
    }

    void bashCompletes()
    {
        QFETCH(QString, line);
        QFETCH(QString, offered);
        if (QStandardPaths::findExecutable("bash").isEmpty())
            QSKIP("bash is not installed");
        QProcess bash;
        bash.start("bash",
                   {"--norc", "--noprofile", "-c",
                    "source <(\"$0\" completion bash); read -ra COMP_WORDS <<< \"$1\"; "
                    "[[ $1 == *' ' ]] && COMP_WORDS+=(''); "
                    "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vhpd; echo \"${COMPREPLY[*]}\"",
                    VHPD_BINARY, line});
        QVERIFY(bash.waitForFinished(20000));
        const QString reply = QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
        QVERIFY2(reply.contains(offered), qPrintable(reply));
    }

    void zshCompletionIsValid()
    {
        const QString zsh = QStandardPaths::findExecutable("zsh");
        if (zsh.isEmpty())
            QSKIP("zsh is not installed");
        QTemporaryDir directory;
        QFile script(directory.filePath("_vhpd"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(vhpd({"completion", "zsh"}).out);
        script.close();
        QCOMPARE(QProcess::execute(zsh, {"-n", script.fileName()}), 0);
    }

    // Logging in again needs no name: the saved login's user is meant.
    void loginAgainWithoutAName()
    {
        const Run run = vhpd({"login", "--password-stdin"}, "demo123\n");
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, "Logged in to " + m_root.toUtf8() + "/ as demo (Demo User).\n");
        QCOMPARE(session()["projectName"].toString(), "Riverside Medical Centre");
    }

    void uploadAddsAVersion()
    {
        QTemporaryDir directory;
        QFile file(directory.filePath("survey.dng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(64 * 1024, 'x'));
        file.close();

        const Run created = vhpd({"upload", file.fileName(), "--name", "Survey upload"});
        QCOMPARE(created.status, 0);
        QCOMPARE(created.out, "Uploaded survey.dng (64.0 KiB) as Survey upload, version 1.\n");
        const Run replaced = vhpd({"upload", file.fileName(), "--replace", "survey upload"});
        QCOMPARE(replaced.out, "Uploaded survey.dng (64.0 KiB) as Survey upload, version 2.\n");
        QCOMPARE(vhpd({"--json", "model-history", "Survey upload"}).json()["count"].toInt(), 2);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("unreachable server")
            << QStringList{"--server", "http://127.0.0.1:1", "login", "demo", "--password-stdin"}
            << false << 3 << "nothing answers at 127.0.0.1:1: check the server address";
        QTest::newRow("not logged in") << QStringList{"models"} << false << 4 << "not logged in";
        QTest::newRow("unknown model") << QStringList{"history", "no-such-model"} << true << 1
                                       << "no model matches \"no-such-model\"";
        QTest::newRow("unknown project") << QStringList{"enter", "no-such-project"} << true << 1
                                         << "no project matches \"no-such-project\"";
        QTest::newRow("unknown user") << QStringList{"user", "000000000000000000000000"} << true
                                      << 1 << "no user 000000000000000000000000";
        QTest::newRow("unknown command")
            << QStringList{"frobnicate"} << true << 2 << "unknown command \"frobnicate\"";
        QTest::newRow("unknown option")
            << QStringList{"models", "--bogus"} << true << 2 << "Unknown option 'bogus'";
        QTest::newRow("argument missing")
            << QStringList{"history"} << true << 2 << "usage: vhpd model-history <model>";
        QTest::newRow("category without domain") << QStringList{"entities", "--category", "3"}
                                                 << true << 2 << "--category needs --domain";
    }

    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, loggedIn);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir fresh;
        const Run run = vhpd(arguments, "demo123\n", loggedIn ? QString() : fresh.path());
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.startsWith("vhpd: ") && run.err.contains(message.toUtf8()),
                 run.err.constData());
        QVERIFY(run.out.isEmpty());
    }

    // Each cause of a failure as the program tells it, against a scripted
    // server: the cause and the next step, the exit status, one exchange
    // (no probing afterwards), and with --json the error object alone.
    void failureCauses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("file too large")
            << QStringList{"upload", "FILE"} << "model-service/models/dng" << 413 << QByteArray()
            << 1 << "http"
            << "the server did not accept survey.dng: it is larger than the server accepts "
               "(HTTP 413)";
        QTest::newRow("server's own refusal")
            << QStringList{"member-request", "r7"} << "account-service/member_requests/r7" << 400
            << QByteArray("{\"code\":40000,\"message\":\"'r7' is not a request id\"}") << 1
            << "server"
            << "no membership request r7: 'r7' is not a request id (server code 40000, HTTP 400)";
        QTest::newRow("login no longer accepted")
            << QStringList{"whoami"} << "account-service/users/u1" << 401
            << QByteArray("{\"code\":40100,\"message\":\"log in first\"}") << 4 << "server"
            << "the server no longer accepts the saved login; log in again with: vhpd login";
        QTest::newRow("gateway without the service")
            << QStringList{"whoami"} << "account-service/users/u1" << 502 << QByteArray("<html>")
            << 3 << "http"
            << "is not available (HTTP 502); try again later";
        QTest::newRow("a web page where the service should be")
            << QStringList{"login", "demo", "--password-stdin"} << "account-service/login" << 200
            << QByteArray("<html>") << 4 << "badReply"
            << "could not be read (the reply is not JSON";
        QTest::newRow("no answer in time")
            << QStringList{"--timeout", "1", "whoami"} << "account-service/users/u1" << -1
            << QByteArray() << 3 << "timedOut"
            << "within 1 s: try again, or allow more time";
        QTest::newRow("unknown tag, nothing sent")
            << QStringList{"upload", "FILE", "--tag", "abc"}
            << "model-service/projects/p1/modelTagTypes" << 200 << QByteArray("[]") << 1 << "failed"
            << "no model tag matches \"abc\"";
    }
    void failureCauses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QFETCH(int, httpStatus);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, kind);
        QFETCH(QString, message);

        TestServer server;
        ScriptedReply reply = ScriptedReply::text(body, qMax(httpStatus, 200));
        if (httpStatus < 0)
            reply.delayMs = 2500;
        const bool posts = path.contains("dng") || path.endsWith("login");
        server.on(posts ? "POST" : "GET", apiPath(path), reply);
        for (const char *tags : {"model_tag_types", "model_tags"})
            server.on("GET", apiPath(QString("model-service/projects/p1/") + tags),
                      ScriptedReply::json(QJsonArray()));
        // A saved login for the scripted server.
        QTemporaryDir config;
        QFile saved(config.path() + kSessionFile);
        QDir().mkpath(QFileInfo(saved).absolutePath());
        QVERIFY(saved.open(QIODevice::WriteOnly));
        saved.write(QJsonDocument(QJsonObject{{"server", server.address() + "/"},
                                              {"token", "t"},
                                              {"user", QJsonObject{{"id", "u1"}}},
                                              {"projectId", "p1"}})
                        .toJson());
        saved.close();
        QFile::setPermissions(saved.fileName(), QFile::ReadOwner | QFile::WriteOwner);
        QTemporaryDir directory;
        QFile file(directory.filePath("survey.dng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        arguments.replaceInStrings("FILE", file.fileName());

        const int before = server.requestCount();
        const Run text = vhpd(arguments, "secret\n", config.path());
        QCOMPARE(text.status, status);
        QVERIFY2(text.err.startsWith("vhpd: ") && text.err.contains(message.toUtf8()),
                 text.err.constData());
        QVERIFY(text.out.isEmpty());
        // One wait at most: the failed request is not repeated and nothing
        // is asked afterwards; a refused tag sends no file.
        int uploads = 0;
        for (const RecordedRequest &request : server.requests().mid(before))
            uploads += request.path.endsWith("/dng") ? 1 : 0;
        QCOMPARE(uploads, message.contains("tag") ? 0 : int(path.endsWith("dng")));
        if (!arguments.contains("upload"))
            QCOMPARE(server.requestCount() - before, 1);
        if (httpStatus < 0)
            return; // the JSON form would wait once more

        const Run json = vhpd(QStringList{"--json"} + arguments, "secret\n", config.path());
        QCOMPARE(json.status, status);
        const QJsonObject error = json.json().object().value("error").toObject();
        QCOMPARE(error.value("kind").toString(), kind);
        QCOMPARE(error.value("httpStatus").toInt(), kind == "failed" ? 0 : httpStatus);
        QVERIFY(error.value("message").toString().contains(message));
    }

    // An authorities file given at login is kept with the login's server:
    // the next commands trust it without being told again.
    void cacertIsRememberedForItsServer()
    {
        SKIP_TLS_UNDER_WINE();
        TestServer server(TestServer::Scheme::Https);
        server.on(
            "POST", apiPath("account-service/login"),
            ScriptedReply::json(QJsonObject{{"_id", "u1"}, {"name", "demo"}, {"token", "t1"}}));
        server.on("GET", apiPath("account-service/users/u1"),
                  ScriptedReply::json(QJsonObject{{"_id", "u1"}, {"name", "demo"}}));
        QTemporaryDir config;
        const QStringList login{"--server", server.address(), "login", "demo", "--password-stdin"};
        const Run untrusted = vhpd(login, "demo123\n", config.path());
        QCOMPARE(untrusted.status, 3);
        QVERIFY2(untrusted.err.contains("--cacert FILE"), untrusted.err.constData());
        QCOMPARE(server.requestCount(), 0);

        const Run trusted = vhpd(QStringList{"--cacert", TestServer::caCertificatePath()} + login,
                                 "demo123\n", config.path());
        QCOMPARE(trusted.status, 0);
        const Run whoami = vhpd({"whoami"}, QByteArray(), config.path());
        QCOMPARE(whoami.status, 0);
        QVERIFY(whoami.out.contains("demo"));
        QCOMPARE(server.requests().last().path, apiPath("account-service/users/u1"));

        // Another server's login forgets it.
        const Run elsewhere = vhpd({"--server", m_root, "login", "demo", "--password-stdin"},
                                   "demo123\n", config.path());
        QCOMPARE(elsewhere.status, 0);
        QFile saved(config.path() + kSessionFile);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(!saved.readAll().contains("cacert"));
    }

    void updateCheckTellsNothingOfferedFromNotAsked()
    {
        const Run offered = vhpd({"update-check"});
        QCOMPARE(offered.status, 0);
        const Run unreachable = vhpd({"update-check", "--package-api", "http://127.0.0.1:1/"});
        QCOMPARE(unreachable.status, 3);
        QVERIFY2(unreachable.err.contains("cannot ask for client builds: nothing answers at "
                                          "127.0.0.1:1"),
                 unreachable.err.constData());
    }

    // The changing commands run here, after the reading tests, in an order
    // where none takes away what a later row reads.
    void everyChangeAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shows");
        const QString model = "67e27b475e17ab1c0d3a5cbb"; // Block A - Architecture
        const QString pipeModel = "67bc3cb25e17ab1c0d3a6431";
        const QString pipe = "3e25fc4c-297f-9d4d-97f0-42140c265040-00034f0b";
        QTest::newRow("circle-name")
            << QStringList{"circle-name", "675946805e17ab1c0d3a5c11"} << "NB Healthcare\n";
        QTest::newRow("species-name")
            << QStringList{"species-name", "675946805e17ab1c0d3a5c6f"} << "Reinforced concrete\n";
        QTest::newRow("subcontract-name")
            << QStringList{"subcontract-name", "675946805e17ab1c0d3a5c75"}
            << "Piling works - Deepcore Foundations Ltd\n";
        QTest::newRow("members-load") << QStringList{"members-load"} << "sarah.okafor";
        QTest::newRow("member-pass") << QStringList{"member-pass", "675946805e17ab1c0d3a5c6b",
                                                    "--structure", "675946805e17ab1c0d3a5c3a"}
                                     << "Accepted request 675946805e17ab1c0d3a5c6b (verdict 0).\n";
        QTest::newRow("member-reject") << QStringList{"member-reject", "675946805e17ab1c0d3a5c6a"}
                                       << "Rejected request 675946805e17ab1c0d3a5c6a.\n";
        QTest::newRow("verify-user") << QStringList{"verify-user", "673e81f25e17ab1c0d3a5c17",
                                                    "675946805e17ab1c0d3a5c01", "0"}
                                     << "Verified 675946805e17ab1c0d3a5c01.\n";
        QTest::newRow("models-by-ids")
            << QStringList{"models-by-ids", model} << "Block A - Architecture  4  ";
        QTest::newRow("models-current")
            << QStringList{"models-current", model} << "Block A - Architecture  4  ";
        QTest::newRow("models-fresh")
            << QStringList{"models-fresh", model} << "Block A - Architecture  4  ";
        QTest::newRow("model-names") << QStringList{"model-names", model, pipeModel}
                                     << "Block A - Architecture      " + model +
                                            "\nBlock B - MEP Coordination  " + pipeModel;
        QTest::newRow("model-version")
            << QStringList{"model-version", model, "2"} << "Updated:  2025-06-04 21:45\n";
        QTest::newRow("model-edit-rights")
            << QStringList{"model-edit-rights", "675946805e17ab1c0d3a5cb1"}
            << "Edit with these tags: yes\n";
        QTest::newRow("tag") << QStringList{"tag", "675946805e17ab1c0d3a5cb1"}
                             << "Name: Architecture\n";
        QTest::newRow("model-set-show, an earlier name")
            << QStringList{"model-set-show", "675946805e17ab1c0d3a6a5e"}
            << "Name:    Block A coordination\n";
        QTest::newRow("model-set-name-exists")
            << QStringList{"model-set-name-exists", "Block A coordination"} << "yes\n";
        QTest::newRow("entity") << QStringList{"entity", "675946805e17ab1c0d3a64b4"}
                                << "Pipe Types: Copper - 22mm  RMC-B-RF-PLB-02003  ";
        QTest::newRow("entity by QR code")
            << QStringList{"entity", "RMC-B-RF-PLB-02003"} << "  675946805e17ab1c0d3a64b4\n";
        QTest::newRow("entities-by-uuids")
            << QStringList{"entities-by-uuids", "Block B - MEP", pipe}
            << "Pipe Types: Copper - 22mm  RMC-B-RF-PLB-02003  ";
        QTest::newRow("entity-by-id")
            << QStringList{"entity-by-id", pipeModel, "216843", "1"} << "Version: 1\n";
        QTest::newRow("entity-display") << QStringList{"entity-display", "Identity"} << "shown\n";
        QTest::newRow("entity-create")
            << QStringList{"entity-create", pipeModel, "b0b0-0001"} << "Created entity b0b0-0001 (";
        QTest::newRow("property-create")
            << QStringList{"property-create", pipe, "--set", "Site:Zone=North"}
            << "Created the properties of " + pipe;
        QTest::newRow("property-set")
            << QStringList{"property-set", pipe, "--set", "Site:Zone=South"}
            << "Set 1 properties on 1 elements; their other properties are kept.\n";
        QTest::newRow("property-by-uuids")
            << QStringList{"property-by-uuids", pipe} << "Site      Zone  South\n";
        QTest::newRow("print-create")
            << QStringList{"print-create", "675946805e17ab1c0d3a5cbf", "--label", "Name: X"}
            << "Recorded a print of 675946805e17ab1c0d3a5cbf.\n";
        QTest::newRow("print-show")
            << QStringList{"print-show", "675946805e17ab1c0d3a5cbf", "6903a7685e17ab1c0d3a6c5e"}
            << "Printed: 2025-10-30 17:59\n";
        QTest::newRow("model-retry")
            << QStringList{"model-retry", model} << "Preprocessing restarted for 1 models.\n";
        QTest::newRow("model-delete-version")
            << QStringList{"model-delete-version", "67ee67695e17ab1c0d3a60b8", "--yes"}
            << "Deleted model version 67ee67695e17ab1c0d3a60b8.\n";
        QTest::newRow("model-delete")
            << QStringList{"model-delete", "6778fa175e17ab1c0d3a6160", "--yes"}
            << "Deleted model 6778fa175e17ab1c0d3a6160.\n";
    }

    void everyChangeAnswers()
    {
        everyCommandAnswers();
    }

    // A QR template and a model set made, read, changed and deleted; a new
    // project gets a QR setting of the user's own, then changes it.
    void createdRecordsCanBeReadAndDeleted()
    {
        const QString qrTemplate = vhpd({"--json", "qr-template-create", "--name", "Pipe label",
                                         "--item", "Name=name", "--text", "Site=RMC"})
                                       .json()["id"]
                                       .toString();
        QVERIFY(!qrTemplate.isEmpty());
        QVERIFY(vhpd({"qr-template", qrTemplate}).out.contains("Site   RMC    no\n"));
        QCOMPARE(vhpd({"qr-template-update", "pipe label", "--name", "Pipe tag"}).status, 0);
        QVERIFY(vhpd({"qr-template", qrTemplate}).out.startsWith("Pipe tag (type 0)\n"));
        QCOMPARE(vhpd({"qr-template-delete", "Pipe tag", "--yes"}).status, 0);
        QCOMPARE(vhpd({"qr-template", qrTemplate}).status, 1);

        const QString set = vhpd({"--json", "model-set-create", "Pair", "Block A - Architecture"})
                                .json()["id"]
                                .toString();
        QCOMPARE(vhpd({"--json", "model-set", "pair"}).json()["models"][0]["id"].toString(),
                 "67e27b475e17ab1c0d3a5cbb");
        QCOMPARE(vhpd({"model-set-delete", set, "--yes"}).status, 0);
        QCOMPARE(vhpd({"model-set", set}).status, 1);
        QCOMPARE(vhpd({"model-set-name-exists", "Pair"}).out, "no\n");

        const QString project =
            vhpd({"--json", "project-create", "Harbour Annex"}).json()["id"].toString();
        QVERIFY(!project.isEmpty());
        for (const QString &type : QStringList{"2", "3"}) {
            const Run saved =
                vhpd({"--project", project, "--json", "qr-setting-set", "--type", type});
            QCOMPARE(saved.status, 0);
            QCOMPARE(saved.json()["type"].toInt(), type.toInt());
            QVERIFY(!saved.json()["id"].toString().isEmpty());
        }
    }

    // A change to one property keeps the element's others; --replace writes
    // the whole set. The server itself replaces whole sets.
    void propertySetKeepsTheOtherProperties()
    {
        const QString element = "607dcfcb-a9ce-49d4-0259-e28ce3bfdad7-0005b64c";
        const auto properties = [&] {
            QStringList rows;
            const QJsonArray read =
                vhpd({"--json", "properties-by-uuids", element}).json()["items"].toArray();
            for (const QJsonValue &row : read)
                rows.append(row["category"].toString() + ":" + row["key"].toString() + "=" +
                            row["value"].toString());
            return rows;
        };
        const QStringList before = properties();
        QCOMPARE(before.size(), 4);

        QCOMPARE(vhpd({"property-set", element, "--set", "Quality:Status=Rejected", "--set",
                       "Site:Zone=East"})
                     .status,
                 0);
        QStringList expected = before;
        expected.replaceInStrings(QRegularExpression("^Quality:Status=.*"),
                                  "Quality:Status=Rejected");
        expected.append("Site:Zone=East");
        QCOMPARE(properties(), expected);

        const Run replaced =
            vhpd({"property-set", element, "--replace", "--set", "Quality:Status=Accepted"});
        QCOMPARE(replaced.out, "Replaced the properties of 1 elements with 1.\n");
        QCOMPARE(properties(), QStringList{"Quality:Status=Accepted"});
    }

    // Deleting asks first; without a terminal only --yes goes ahead.
    void deletingNeedsConfirmation()
    {
        const Run refused = vhpd({"model-set-delete", "675946805e17ab1c0d3a6a5e"});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains("Not without --yes"), refused.err.constData());
        QCOMPARE(vhpd({"model-set-show", "675946805e17ab1c0d3a6a5e"}).status, 0);
    }

    // Two models of one name: --replace by that name names both with their
    // ids instead of picking one.
    void ambiguousNamesAreRefused()
    {
        QTemporaryDir directory;
        QFile file(directory.filePath("twin.dng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1024, 't'));
        file.close();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(vhpd({"upload", file.fileName(), "--name", "Twin"}).status, 0);
        const Run run = vhpd({"upload", file.fileName(), "--replace", "Twin"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("\"Twin\" matches several models; give one of their ids: "
                                  "Twin ("),
                 run.err.constData());
    }

    // Text from the server cannot drive the terminal.
    void serverTextCannotDriveTheTerminal()
    {
        TestServer server;
        server.on("POST", apiPath("account-service/login"),
                  ScriptedReply::json(QJsonObject{{"code", 40001},
                                                  {"message", "\x1b]0;owned\x07\x1b[2J"
                                                              "Logged in as admin."}},
                                      400));
        QTemporaryDir config;
        const Run run = vhpd({"--server", server.address(), "login", "demo", "--password-stdin"},
                             "pw\n", config.path());
        QCOMPARE(run.status, 4);
        QVERIFY2(!run.err.contains('\x1b') && !run.err.contains('\x07'), run.err.constData());
        QVERIFY2(run.err.contains("\\x1b]0;owned\\x07\\x1b[2JLogged in as admin."),
                 run.err.constData());
    }

    // The session file is read only when it is a private regular file.
    void sessionFileMustBePrivateAndRegular_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("link") << "link"
                              << "is a symbolic link";
        QTest::newRow("fifo") << "fifo"
                              << "is not a session file";
        QTest::newRow("others may write") << "shared"
                                          << "can be changed by other users";
    }
    void sessionFileMustBePrivateAndRegular()
    {
#ifndef Q_OS_UNIX
        QSKIP("FIFOs, symbolic links and file modes are POSIX's; on Windows the folder's "
              "access list guards the session file");
#else
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir config;
        QVERIFY(QDir().mkpath(config.filePath("vhpd")));
        const QString path = config.filePath("vhpd/session.json");
        const QString elsewhere = config.filePath("elsewhere.json");
        QFile target(elsewhere);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("{}");
        target.close();
        if (kind == "link")
            QVERIFY(QFile::link(elsewhere, path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(QFile::copy(elsewhere, path) &&
                    ::chmod(QFile::encodeName(path).constData(), 0666) == 0);

        const Run run = vhpd({"whoami"}, QByteArray(), config.path());
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
        // A login does not write through the link either.
        if (kind == "link") {
            vhpd({"--server", m_root, "login", "demo", "--password-stdin"}, "demo123\n",
                 config.path());
            QFile kept(elsewhere);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("{}"));
        }
#endif
    }

    // In a real terminal (tmux): Ctrl-C at the password prompt leaves the
    // terminal echoing, a delete asks first and takes "n" for no, and tables
    // fit the terminal.
    void terminalPromptsBehave()
    {
#ifndef Q_OS_UNIX
        QSKIP("drives a POSIX terminal through tmux");
#endif
        if (QStandardPaths::findExecutable("tmux").isEmpty())
            QFAIL("tmux is needed for the terminal test: apt-get install tmux");
        QTemporaryDir socketDir;
        const QString socket = socketDir.filePath("tmux");
        const auto tmux = [&](const QStringList &arguments) {
            QProcess process;
            process.start("tmux", QStringList{"-S", socket} + arguments);
            process.waitForFinished(10000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        // Waits until the screen shows a line matching `pattern`.
        const auto waitFor = [&](const QString &pattern) {
            const QRegularExpression line(pattern, QRegularExpression::MultilineOption);
            for (int i = 0; i < 200; ++i) {
                if (line.match(tmux({"capture-pane", "-p", "-t", "vhpd"})).hasMatch())
                    return true;
                QTest::qWait(50);
            }
            return false;
        };
        tmux({"new-session", "-d", "-s", "vhpd", "-x", "160", "-y", "40",
              "env VHPD_CONFIG_DIR=" + m_config.path() + "/vhpd PS1='$ ' sh -i"});
        const QString program = QString(VHPD_BINARY);

        tmux({"send-keys", "-t", "vhpd", program + " --server " + m_root + " login demo", "Enter"});
        QVERIFY2(waitFor("Password for demo:\\s*$"), qPrintable(tmux({"capture-pane", "-p"})));
        tmux({"send-keys", "-t", "vhpd", "C-c"});
        QVERIFY2(waitFor("^\\$\\s*$"), qPrintable(tmux({"capture-pane", "-p"})));
        tmux({"send-keys", "-t", "vhpd", "stty -a | tr ' ;' '\\n\\n' | grep -x -e echo -e -echo",
              "Enter"});
        // Echo on: the typed line shows, and the flag stands on a line of its own.
        QVERIFY2(waitFor("^echo$"), qPrintable(tmux({"capture-pane", "-p"})));

        tmux({"send-keys", "-t", "vhpd", program + " model-set-delete 675946805e17ab1c0d3a6a5e",
              "Enter"});
        QVERIFY2(waitFor("Delete model set Block A coordination \\(675946805e17ab1c0d3a6a5e\\)\\? "
                         "\\[y/N\\]\\s*$"),
                 qPrintable(tmux({"capture-pane", "-p"})));
        tmux({"send-keys", "-t", "vhpd", "n", "Enter"});
        QVERIFY2(waitFor("vhpd: nothing deleted"), qPrintable(tmux({"capture-pane", "-p"})));

        // Tables fit the terminal's width: names are cut, ids kept whole at
        // the line's end; a whole list says how long it is.
        tmux({"resize-window", "-t", "vhpd", "-x", "140"});
        tmux({"send-keys", "-t", "vhpd", "clear; " + program + " entities --page-size 3", "Enter"});
        QVERIFY2(waitFor("^Page 1 of \\d+; \\d+ entities$"),
                 qPrintable(tmux({"capture-pane", "-p"})));
        const QStringList screen = tmux({"capture-pane", "-p", "-t", "vhpd"}).split('\n');
        const int header = screen.indexOf(QRegularExpression("^NAME .* ID$"));
        QVERIFY2(header >= 0, qPrintable(screen.join('\n')));
        const QStringList rows = screen.mid(header + 1, 3);
        for (const QString &row : rows)
            QVERIFY2(QRegularExpression("\\.\\.\\. .*  [0-9a-f]{24}$").match(row).hasMatch(),
                     qPrintable(row));
        tmux({"send-keys", "-t", "vhpd", "clear; " + program + " domains", "Enter"});
        QVERIFY2(waitFor("^\\d+ domains$"), qPrintable(tmux({"capture-pane", "-p"})));
        tmux({"kill-server"});
        QCOMPARE(vhpd({"model-set-show", "675946805e17ab1c0d3a6a5e"}).status, 0);
    }

    // Runs last: the server forgets the token, and the file goes.
    void logoutEndsTheSession()
    {
        QFile file(sessionPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        file.close();

        const Run logout = vhpd({"logout"});
        QCOMPARE(logout.status, 0);
        QCOMPARE(logout.out, "Logged out of " + m_root.toUtf8() + "/.\n");
        QVERIFY(!file.exists());

        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(saved);
        file.close();
        const Run stale = vhpd({"whoami"});
        QCOMPARE(stale.status, 4);
        QVERIFY(stale.err.contains("no longer accepts the saved login"));
    }
};

VHPD_SHARDED_TEST_MAIN(TestVhpd)
#include "tst_vhpd.moc"
