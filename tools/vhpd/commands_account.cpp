// Logging in and out, and who is logged in.
#include "context.h"
#include "lookup.h"
#include "records.h"
#include "terminal.h"

#include <VHNetwork.h>
#include <VHPrimaryData.h>

#include <QDir>

#include <cstdio>

namespace {

// How long the program waits for the server to hear of a logout.
constexpr int kLogoutWaitMs = 3000;

// One line from standard input; on a terminal after `prompt`, without echo.
QString readSecret(const QString &prompt)
{
    const bool terminal = Terminal::isTerminal(stdin);
    if (terminal) {
        std::fputs(prompt.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
    QByteArray line;
    {
        const Terminal::HiddenInput hidden;
        for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
            line.append(char(c));
    }
    if (terminal)
        std::fputs("\n", stderr);
    return QString::fromUtf8(line).trimmed();
}

void declareLogin(Options &parser)
{
    parser.addPositionalArgument(QStringLiteral("name"),
                                 QStringLiteral("Account name or phone number (default: the "
                                                "saved login's)."));
    addOption(parser, "password-stdin",
              "Read the password from standard input (else $VHPD_PASSWORD, else a prompt).");
    addOption(parser, "phone",
              "Log in with a verification code sent to this phone number instead of a password.",
              "number");
    addOption(parser, "country-code", "Country code of the phone number (default +86).", "code");
    addOption(parser, "debug-code",
              "Have the server hand the verification code back instead of sending it "
              "(debug installations and the sandbox only).");
}

// Asks for a code for `phone`; false once the failure is reported.
bool requestCode(Context &context, const QString &phone, QString &code, int &status)
{
    const bool debug = context.isSet("debug-code");
    QString countryCode = context.value("country-code");
    if (countryCode.isEmpty())
        countryCode = QStringLiteral("+86");
    QString message;
    if (!context.data().createSecurities(phone, countryCode, code, message, false, debug)) {
        if (message.isEmpty()) {
            status = context.fail(QStringLiteral("the server sent no verification code"));
        } else {
            status = reportFailure(ExitAuth,
                                   QStringLiteral("no verification code sent: %1").arg(message));
        }
        return false;
    }
    if (!debug)
        code = readSecret(QStringLiteral("Verification code sent to %1: ").arg(phone));
    return true;
}

int login(Context &context)
{
    const QString phone = context.value("phone");
    QString name = context.argument(0).isEmpty() ? phone : context.argument(0);
    // Logging in again: the account of the saved login.
    if (name.isEmpty())
        name = context.session.user.name;
    if (name.isEmpty())
        return context.usage(QStringLiteral("give an account name, or --phone"));
    // A stale token of an earlier login is not sent along.
    NetworkManager::instance().setAuthToken(QString());

    QString password;
    QString code;
    if (phone.isEmpty()) {
        if (context.isSet("password-stdin"))
            password = readSecret(QString());
        else if (!qEnvironmentVariableIsEmpty("VHPD_PASSWORD"))
            password = qEnvironmentVariable("VHPD_PASSWORD");
        else if (Terminal::isTerminal(stdin))
            password = readSecret(QStringLiteral("Password for %1: ").arg(name));
        else
            return context.usage(QStringLiteral("no password: use --password-stdin"));
    } else {
        int status = ExitOk;
        if (!requestCode(context, phone, code, status))
            return status;
    }

    QString message;
    VHUser user;
    const int result =
        context.data().login(name, password, code, message, user, !phone.isEmpty(), false);
    if (result != 0 || user.id.isEmpty()) {
        if (!message.isEmpty()) {
            return reportFailure(
                ExitAuth, QStringLiteral("login refused: %1 (code %2)").arg(message).arg(result));
        }
        if (context.data().lastError().isNone())
            return reportFailure(
                ExitAuth, QStringLiteral("login failed: the server's answer was not a login"));
        // A server that refuses the login without a message refuses it all the same.
        const int status = context.fail(QStringLiteral("login failed"));
        return status == ExitFailed ? ExitAuth : status;
    }

    Session &session = context.session;
    // The same user keeps the project chosen earlier on this server.
    if (session.server != context.server || session.user.id != user.id) {
        session.projectId.clear();
        session.projectName.clear();
    }
    session.server = context.server;
    session.token = NetworkManager::instance().authToken();
    // The user the library now holds as logged in, which `whoami` starts from.
    context.data().getCurrentUserInfo(session.user);
    if (const int status = context.saveSession())
        return status;
    const QString who = user.nickName.isEmpty()
                            ? user.name
                            : QStringLiteral("%1 (%2)").arg(user.name, user.nickName);
    context.out.text(QStringLiteral("Logged in to %1 as %2.").arg(context.server, who));
    if (context.out.isJson())
        context.out.json(QJsonObject{{QStringLiteral("server"), context.server},
                                     {QStringLiteral("user"), toJson(user)}});
    return ExitOk;
}

// Tells the server, when a login is saved, and forgets the login.
int logout(Context &context)
{
    Session &session = context.session;
    const bool loggedIn = session.isLoggedIn();
    if (loggedIn) {
        VHBaseApi::GetInstance().setIp(session.server);
        NetworkManager::instance().setAuthToken(session.token);
        context.data().logout();
        // The library does not wait for the logout's answer; the program
        // must not end before the request has gone.
        NetworkManager::instance().waitForPendingRequests(kLogoutWaitMs);
    }
    if (!session.remove()) {
        return reportFailure(
            ExitFailed,
            QStringLiteral("cannot remove %1").arg(QDir::toNativeSeparators(Session::filePath())));
    }
    context.out.text(loggedIn ? QStringLiteral("Logged out of %1.").arg(session.server)
                              : QStringLiteral("Not logged in."));
    if (context.out.isJson())
        context.out.json(QJsonObject{{QStringLiteral("loggedOut"), loggedIn}});
    return ExitOk;
}

const QList<Column> kUserFields = {{"Name", "name"},
                                   {"Nickname", "nickName"},
                                   {"Phone", "phoneNumber"},
                                   {"Signature", "signature"},
                                   {"Id", "id"}};

// The logged-in user as the server knows them now, with the session's server
// and project.
int whoami(Context &context)
{
    VHUser user;
    if (!context.data().getUser(context.session.user.id, user, true))
        return context.fail(QStringLiteral("cannot read your user record"));
    QJsonObject object = toJson(user);
    object.insert(QStringLiteral("server"), context.server);
    object.insert(QStringLiteral("project"),
                  QJsonObject{{QStringLiteral("id"), context.session.projectId},
                              {QStringLiteral("name"), context.session.projectName}});
    context.out.record(QList<Column>{{"Server", "server"}} + kUserFields +
                           QList<Column>{{"Project", "project.name"}, {"Project id", "project.id"}},
                       object);
    return ExitOk;
}

// A user by id, or a member of the current project by name.
int user(Context &context)
{
    VHUser found;
    if (const int status = findUser(context, context.argument(0), found))
        return status;
    VHUser user;
    if (!context.data().getUser(found.id, user, true))
        return context.fail(QStringLiteral("no user %1").arg(found.id));
    context.out.record(kUserFields, toJson(user));
    return ExitOk;
}

int countries(Context &context)
{
    QStringList codes;
    if (!context.data().getCountryCodes(codes))
        return context.fail(QStringLiteral("cannot read the country codes"));
    QJsonArray rows;
    for (const QString &code : codes)
        rows.append(QJsonObject{{QStringLiteral("code"), code}});
    return context.showRows("country codes", {{"Code", "code"}}, rows);
}

} // namespace

QList<Command> accountCommands()
{
    return {
        {"login", "[name]", "Log in with a password or a verification code.", Needs::Server, 0, 1,
         declareLogin, login, Group::Session,
         "vhpd --server https://vh.example.com login alice\n"
         "# again, as the saved login's user:\n"
         "vhpd login",
         "{\"server\", \"user\": user}"},
        {"logout", "", "Log out and forget the saved login.", Needs::Nothing, 0, 0, nullptr, logout,
         Group::Session, "vhpd logout", "{\"loggedOut\": true or false}"},
        {"whoami", "", "Show the logged-in user, the server and the current project.", Needs::Login,
         0, 0, nullptr, whoami, Group::Session, "vhpd whoami", "user +server +project"},
        {"user", "<user>", "Show a user: an id, or a member's name.", Needs::Login, 1, 1, nullptr,
         user, Group::Members,
         "vhpd user sarah.okafor\n"
         "vhpd user 675946805e17ab1c0d3a5c02",
         "user"},
        {"countries", "", "List the country codes of phone numbers.", Needs::Server, 0, 0, nullptr,
         countries, Group::Organisation, "vhpd countries", "[{code}]"},
    };
}
