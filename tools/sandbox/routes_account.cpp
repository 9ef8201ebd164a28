// Signing in and out, verification codes, users and the public system profile.
#include "routes.h"
#include "routesupport.h"

#include <QRandomGenerator>
#include <QUuid>

namespace {

const QString kUsers = QStringLiteral("users");
const QString kSessions = QStringLiteral("sessions");
const QString kSecurities = QStringLiteral("securities");

enum LoginCode {
    MissingField = 10000,
    WrongPassword = 10001,
    WrongVerificationCode = 10002,
    UnknownPhoneNumber = 10004,
};

QString bearerToken(const ApiRequest &request)
{
    const QByteArray header = request.headers.value(QByteArrayLiteral("authorization"));
    const QByteArray prefix = QByteArrayLiteral("Bearer ");
    if (!header.startsWith(prefix))
        return QString();
    return QString::fromUtf8(header.mid(prefix.size()).trimmed());
}

QJsonObject userByNameOrPhone(const Store &store, const QString &name)
{
    return store.first(kUsers, [&](const QJsonObject &user) {
        return user.value(QLatin1String("name")).toString() == name ||
               user.value(QLatin1String("phoneNumber")).toString() == name;
    });
}

bool passwordMatches(const Store &store, const QString &userId, const QString &password)
{
    const QJsonObject credential =
        store.first(QStringLiteral("credentials"), [&](const QJsonObject &c) {
            return c.value(QLatin1String("userId")).toString() == userId;
        });
    return !credential.isEmpty() &&
           credential.value(QLatin1String("password")).toString() == password;
}

// The last code issued to a phone number; empty when none is outstanding.
QString issuedCode(const Store &store, const QString &phoneNumber)
{
    const QList<QJsonObject> issued =
        store.selectBy(kSecurities, QStringLiteral("phoneNumber"), phoneNumber);
    return issued.isEmpty() ? QString() : issued.last().value(QLatin1String("code")).toString();
}

ApiReply login(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString name = body.value(QLatin1String("name")).toString();
    const bool useCode = request.flag(QStringLiteral("code"));
    const bool usePassword = !useCode || request.flag(QStringLiteral("double"));
    if (name.isEmpty())
        return ApiReply::error(400, MissingField, QStringLiteral("name is required"));

    const QJsonObject user = userByNameOrPhone(store, name);
    const QString userId = user.value(QLatin1String("_id")).toString();
    const QString phone = user.value(QLatin1String("phoneNumber")).toString();
    if (usePassword &&
        (user.isEmpty() ||
         !passwordMatches(store, userId, body.value(QLatin1String("password")).toString())))
        return ApiReply::error(400, WrongPassword, QStringLiteral("wrong name or password"));
    if (useCode) {
        const QString code = body.value(QLatin1String("code")).toString();
        if (user.isEmpty() || code.isEmpty() || issuedCode(store, phone) != code)
            return ApiReply::error(400, WrongVerificationCode,
                                   QStringLiteral("wrong or expired verification code"));
        // A code signs in once.
        store.remove(kSecurities, [&](const QJsonObject &issued) {
            return issued.value(QLatin1String("phoneNumber")).toString() == phone;
        });
    }

    const QString token = QUuid::createUuid().toString(QUuid::Id128);
    store.insert(kSessions, QJsonObject{{QStringLiteral("token"), token},
                                        {QStringLiteral("userId"), userId},
                                        {QStringLiteral("createdAt"), timestampNow()}});
    QJsonObject reply = userView(user);
    reply.insert(QStringLiteral("token"), token);
    return ApiReply::json(reply);
}

ApiReply logout(Store &store, const ApiRequest &request)
{
    const QString token = bearerToken(request);
    if (!token.isEmpty()) {
        store.remove(kSessions, [&](const QJsonObject &session) {
            return session.value(QLatin1String("token")).toString() == token;
        });
    }
    return ApiReply::json(QJsonObject());
}

// verify=false issues a new code (handed back as "code" with debug=true, as
// if the text message had arrived); verify=true checks "verification".
ApiReply securities(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString phone = body.value(QLatin1String("phoneNumber")).toString();
    const bool known = !store.selectBy(kUsers, QStringLiteral("phoneNumber"), phone).isEmpty();
    if (phone.isEmpty() || !known)
        return ApiReply::error(400, UnknownPhoneNumber,
                               QStringLiteral("no account uses this phone number"));

    if (request.flag(QStringLiteral("verify"))) {
        const QString given = body.value(QLatin1String("verification")).toString();
        if (given.isEmpty() || issuedCode(store, phone) != given)
            return ApiReply::error(400, WrongVerificationCode,
                                   QStringLiteral("wrong or expired verification code"));
        return ApiReply::json(QJsonObject{{QStringLiteral("verified"), true}});
    }

    const QString code = QString::number(QRandomGenerator::global()->bounded(100000, 1000000));
    store.insert(kSecurities, QJsonObject{{QStringLiteral("phoneNumber"), phone},
                                          {QStringLiteral("code"), code},
                                          {QStringLiteral("createdAt"), timestampNow()}});
    QJsonObject reply{{QStringLiteral("message"), QStringLiteral("verification code sent")}};
    if (request.flag(QStringLiteral("debug")))
        reply.insert(QStringLiteral("code"), code);
    ApiReply sent = ApiReply::json(reply);
    sent.logNote = QStringLiteral("verification code %1 sent to %2").arg(code, phone);
    return sent;
}

QJsonObject meta(const Store &store)
{
    const QList<QJsonObject> &entries = store.all(QStringLiteral("meta"));
    return entries.isEmpty() ? QJsonObject() : entries.first();
}

} // namespace

QString sessionUser(const Store &store, const ApiRequest &request)
{
    const QString token = bearerToken(request);
    if (token.isEmpty())
        return QString();
    return store.selectBy(kSessions, QStringLiteral("token"), token)
        .value(0)
        .value(QLatin1String("userId"))
        .toString();
}

void addAccountRoutes(RouteTable &routes, Store &store)
{
    const QString account = QLatin1String(Services::Account);
    routes.add(QStringLiteral("POST"), account, QStringLiteral("login"), withStore(store, login));
    routes.add(QStringLiteral("GET"), account, QStringLiteral("logout"), withStore(store, logout));
    routes.add(QStringLiteral("POST"), account, QStringLiteral("securities"),
               withStore(store, securities));
    routes.add(QStringLiteral("GET"), account, QStringLiteral("users/:userId"),
               [&store](const ApiRequest &r) {
                   const QJsonObject user = store.byId(kUsers, r.param(QStringLiteral("userId")));
                   if (user.isEmpty())
                       return ApiReply::notFound(QStringLiteral("user"));
                   return ApiReply::json(userView(user));
               });
    routes.add(QStringLiteral("GET"), account, QStringLiteral("system/profile/countryCodes"),
               [&store](const ApiRequest &) {
                   return ApiReply::json(
                       QJsonObject{{QStringLiteral("countryCodes"),
                                    meta(store).value(QLatin1String("countryCodes"))}});
               });
    routes.add(QStringLiteral("GET"), account, QStringLiteral("system/profile/serverId"),
               [&store](const ApiRequest &) {
                   return ApiReply::json(QJsonObject{
                       {QStringLiteral("serverId"), meta(store).value(QLatin1String("serverId"))}});
               });
}
