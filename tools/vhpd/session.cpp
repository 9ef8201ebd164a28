#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QJsonObject userToJson(const VHUser &user)
{
    return QJsonObject{{QStringLiteral("id"), user.id},
                       {QStringLiteral("name"), user.name},
                       {QStringLiteral("nickName"), user.nickName},
                       {QStringLiteral("phoneNumber"), user.phoneNumber}};
}

VHUser userFromJson(const QJsonObject &object)
{
    VHUser user;
    user.id = object.value(QLatin1String("id")).toString();
    user.name = object.value(QLatin1String("name")).toString();
    user.nickName = object.value(QLatin1String("nickName")).toString();
    user.phoneNumber = object.value(QLatin1String("phoneNumber")).toString();
    return user;
}

} // namespace

QString Session::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QLatin1String("/session.json");
}

bool Session::load(QString &error)
{
    *this = Session();
    QFile file(filePath());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    server = object.value(QLatin1String("server")).toString();
    token = object.value(QLatin1String("token")).toString();
    user = userFromJson(object.value(QLatin1String("user")).toObject());
    projectId = object.value(QLatin1String("projectId")).toString();
    projectName = object.value(QLatin1String("projectName")).toString();
    return true;
}

bool Session::save(QString &error) const
{
    const QString path = filePath();
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        error = QStringLiteral("cannot create %1").arg(directory);
        return false;
    }
    QFile::setPermissions(directory, kOwnerOnly | QFileDevice::ExeOwner);

    // The new content goes to a temporary file beside the old one, which is
    // made private before the token is written and then renamed into place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QJsonObject object{{QStringLiteral("server"), server},
                             {QStringLiteral("token"), token},
                             {QStringLiteral("user"), userToJson(user)},
                             {QStringLiteral("projectId"), projectId},
                             {QStringLiteral("projectName"), projectName}};
    file.write(QJsonDocument(object).toJson());
    if (!file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool Session::remove() const
{
    QFile file(filePath());
    return !file.exists() || file.remove();
}

QString serverRoot(const QString &address)
{
    QString root = address.trimmed();
    if (root.isEmpty())
        return root;
    if (!root.contains(QLatin1String("://")))
        root.prepend(QLatin1String("https://"));
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root + QLatin1Char('/');
}
