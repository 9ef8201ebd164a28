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

bool Session::folderIsChosen()
{
    return !qEnvironmentVariableIsEmpty("VHPD_CONFIG_DIR");
}

QString Session::folder()
{
    if (folderIsChosen())
        return QDir::cleanPath(QDir::fromNativeSeparators(qEnvironmentVariable("VHPD_CONFIG_DIR")));
#ifdef Q_OS_WIN
    // %APPDATA%\vhpd: the user's own application data in the profile.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
}

QString Session::filePath()
{
    return folder() + QLatin1String("/session.json");
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
        error =
            QStringLiteral("cannot read %1 as a session file").arg(QDir::toNativeSeparators(path));
        return false;
    }
    content = file.read(kMaxSessionBytes);
    return true;
#endif
}

#ifdef Q_OS_WIN
// Gives `path` an access list of its own (not inherited from the folders
// above) that admits only the user running the program, with full control;
// for a folder, the files created in it later inherit that entry. This is
// what mode 0700 or 0600 is on POSIX: administrators can still take
// ownership, other users cannot read or change the login.
bool restrictToUser(const QString &path, QString &error)
{
    const auto failed = [&](DWORD code) {
        error = QStringLiteral("cannot make %1 private: %2")
                    .arg(QDir::toNativeSeparators(path), qt_error_string(int(code)));
        return false;
    };
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return failed(GetLastError());
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> user(size);
    const bool known = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    const DWORD tokenError = GetLastError();
    CloseHandle(token);
    if (!known)
        return failed(tokenError);

    const bool isFolder = QFileInfo(path).isDir();
    EXPLICIT_ACCESS_W access = {};
    access.grfAccessPermissions = FILE_ALL_ACCESS;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = isFolder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_USER;
    access.Trustee.ptstrName =
        static_cast<LPWSTR>(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
    PACL list = nullptr;
    const DWORD built = SetEntriesInAclW(1, &access, nullptr, &list);
    if (built != ERROR_SUCCESS)
        return failed(built);
    std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    const DWORD set =
        SetNamedSecurityInfoW(&nativePath[0], SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, list, nullptr);
    LocalFree(list);
    return set == ERROR_SUCCESS || failed(set);
}
#endif

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
    // The program's own folder is kept private; a folder chosen with
    // VHPD_CONFIG_DIR is only when the program creates it, since it may be
    // one the user shares on purpose (the file itself is private either way).
    const bool restrictFolder = !folderIsChosen() || !QFileInfo::exists(directory);
    if (!QDir().mkpath(directory)) {
        error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(directory));
        return false;
    }
    if (restrictFolder) {
#ifdef Q_OS_WIN
        // Before the file exists, so that it is created private.
        if (!restrictToUser(directory, error))
            return false;
#else
        QFile::setPermissions(directory, kOwnerOnly | QFileDevice::ExeOwner);
#endif
    }

    // The new content goes to a temporary file beside the old one, which is
    // made private before the token is written and then renamed into place.
    // QSaveFile would write through a link to wherever it points.
    if (QFileInfo(path).isSymLink()) {
        error = QStringLiteral("%1 is a symbolic link; remove it and log in again")
                    .arg(QDir::toNativeSeparators(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly)) {
        error = QStringLiteral("cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
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
        error = QStringLiteral("cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
#ifdef Q_OS_WIN
    // File permissions above only set the read-only attribute there; in a
    // private folder the file already inherits the user's entry alone.
    if (!restrictFolder)
        return restrictToUser(path, error);
#endif
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
