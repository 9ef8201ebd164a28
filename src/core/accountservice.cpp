#include "accountservice.h"

#include "requestframe.h"
#include "usercodec.h"

#include "VHPublicFun.h"
#include "VHSocketIO.h"

using namespace RequestFrame;

namespace AccountService {

int login(const QString &name, const QString &password, const QString &code, QString &message,
          VHUser &user, bool useCode, bool useDouble)
{
    ensureServerAddress();

    QJsonObject body;
    body.insert(QStringLiteral("name"), name);
    if (useCode)
        body.insert(QStringLiteral("code"), code);
    else
        body.insert(QStringLiteral("password"), password);
    if (useDouble)
        body.insert(QStringLiteral("password"), password);

    QString target = url(Service::Account, "login");
    if (useCode)
        target += QLatin1String("?code=true");
    if (useDouble)
        target += QLatin1String("&double=true");

    const Exchange reply = Exchange::post(target, body);
    const QJsonObject object = reply.object();
    // A new login ends whatever push connection the previous session had,
    // whether or not this attempt succeeds.
    VHSocketIO::GetInstance()->CloseConnect();

    if (reply.error() == QNetworkReply::NoError) {
        if (object.isEmpty())
            return -1;
        parseUser(object, user);
        if (user.id.isEmpty())
            return -1;
        const QJsonValue token = object.value(QLatin1String("token"));
        if (token.isString())
            NetworkManager::instance().setAuthToken(token.toString());
        return 0;
    }
    if (reply.error() == QNetworkReply::ProtocolInvalidOperationError &&
        reply.httpStatus() == 400 && !object.isEmpty()) {
        message = object.value(QLatin1String("message")).toString();
        return object.value(QLatin1String("code")).toInt(0);
    }
    return -1;
}

bool logout()
{
    VHSocketIO::GetInstance()->CloseConnect();
    // The server is told without waiting for its answer; the session's
    // credentials are forgotten at once.
    NetworkManager::instance().get(url(Service::Account, "logout"));
    NetworkManager::instance().clearSession();
    return true;
}

bool createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                      QString &message, bool verify, bool debug)
{
    ensureServerAddress();

    QJsonObject body;
    body.insert(QStringLiteral("phoneNumber"), phoneNumber);
    body.insert(QStringLiteral("countryCode"), countryCode);
    body.insert(QStringLiteral("type"), QStringLiteral("login"));
    if (!code.isEmpty())
        body.insert(QStringLiteral("verification"), code);

    QString target = url(Service::Account, "securities?verify=%1",
                         verify ? QStringLiteral("true") : QStringLiteral("false"));
    if (debug)
        target += QLatin1String("&debug=true");

    const Exchange reply = Exchange::post(target, body);
    const QJsonObject object = reply.object();
    if (debug)
        code = object.value(QLatin1String("code")).toString();
    if (!reply.isSuccessful()) {
        code = QString::number(object.value(QLatin1String("code")).toInt(0));
        message = object.value(QLatin1String("message")).toString();
    }
    return reply.isSuccessful();
}

bool touchApi(QString &url)
{
    const QString suffix = VHBaseApi::GetInstance().getApiVer() + QLatin1String("touch");
    const Exchange reply = Exchange::get(url + suffix);
    if (reply.httpStatus() == 301) {
        const QString target = reply.redirectTarget();
        if (!target.isEmpty() && target.endsWith(suffix))
            url = target.left(target.size() - suffix.size());
    }
    return reply.isSuccessful();
}

bool getCountryCodes(QStringList &codes)
{
    ensureServerAddress();
    const Exchange reply = Exchange::get(url(Service::Account, "system/profile/countryCodes"));
    codes = VHPub::getStrListFromVarList(
        reply.object().value(QLatin1String("countryCodes")).toArray().toVariantList());
    return reply.isSuccessful();
}

bool getUser(const QString &userId, VHUser &user)
{
    return Exchange::get(url(Service::Account, "users/%1", userId)).readObject(user, parseUser);
}

bool verifyUser(const QString &hostId, const QString &userId, int type)
{
    QJsonObject body;
    body.insert(QStringLiteral("hostId"), hostId);
    body.insert(QStringLiteral("userId"), userId);
    body.insert(QStringLiteral("type"), type);
    return Exchange::post(url(Service::Account, "members?verify=true"), body).isSuccessful();
}

} // namespace AccountService
