#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// A session holds a server, a token and a few names: far less than this.
constexpr int kMaxSessionBytes = 64 * 1024;

} // namespace

QString Session::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QLatin1String("/session.json");
}

namespace {

// The file's bytes, read only from a regular file of the owner's that others
// cannot write: a link, a FIFO or a device at the path is refused (a FIFO
// would hang every command, /dev/zero would read forever), and so is a file
// that another user could have filled with a server and token of theirs.
bool readSessionFile(const QString &path, QByteArray &content, QString &error)
{
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ELOOP
                    ? QStringLiteral("%1 is a symbolic link; remove it and log in again").arg(path)
                    : QStringLiteral("cannot read %1: %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info = {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode) || info.st_size > kMaxSessionBytes) {
        ::close(fd);
        error = QStringLiteral("%1 is not a session file (a regular file of at most %2 bytes); "
                               "remove it and log in again")
                    .arg(path)
                    .arg(kMaxSessionBytes);
        return false;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(fd);
        error = QStringLiteral("%1 can be changed by other users; make it private with "
                               "\"chmod 600 %1\" or log in again")
                    .arg(path);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    content = file.read(kMaxSessionBytes);
    return true;
#else
    QFile file(path);
    if (QFileInfo(path).isSymLink() || !file.open(QIODevice::ReadOnly) ||
        file.size() > kMaxSessionBytes) {
        error = QStringLiteral("cannot read %1 as a session file").arg(path);
        return false;
    }
    content = file.read(kMaxSessionBytes);
    return true;
#endif
}

} // namespace

bool Session::load(QString &error)
{
    *this = Session();
    const QString path = filePath();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return true;
    QByteArray content;
    if (!readSessionFile(path, content, error))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(content).object();
    server = object.value(QLatin1String("server")).toString();
    token = object.value(QLatin1String("token")).toString();
    user = userFromJson(object.value(QLatin1String("user")).toObject());
    projectId = object.value(QLatin1String("projectId")).toString();
    projectName = object.value(QLatin1String("projectName")).toString();
    caFile = object.value(QLatin1String("cacert")).toString();
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
    // QSaveFile would write through a link to wherever it points.
    if (QFileInfo(path).isSymLink()) {
        error = QStringLiteral("%1 is a symbolic link; remove it and log in again").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonObject object{{QStringLiteral("server"), server},
                       {QStringLiteral("token"), token},
                       {QStringLiteral("user"), userToJson(user)},
                       {QStringLiteral("projectId"), projectId},
                       {QStringLiteral("projectName"), projectName}};
    if (!caFile.isEmpty())
        object.insert(QStringLiteral("cacert"), caFile);
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
