#ifndef VHPD_CLI_SESSION_H
#define VHPD_CLI_SESSION_H

#include <VHUser.h>

#include <QString>

// The login kept between invocations: which server, the bearer token, who
// logged in and which project is current. Stored as JSON in the user's
// configuration folder, readable by its owner alone.
class Session
{
public:
    // $VHPD_CONFIG_DIR when set; else $XDG_CONFIG_HOME/vhpd (~/.config/vhpd)
    // on POSIX and %APPDATA%\vhpd on Windows.
    static QString folder();
    // session.json in folder().
    static QString filePath();

    // False, with `error` set, only when a file exists but cannot be read;
    // no file gives an empty session.
    bool load(QString &error);
    // Writes the file with owner-only permissions, set before the token is.
    bool save(QString &error) const;
    // Deletes the file; true when none is left.
    bool remove() const;

    bool isLoggedIn() const { return !token.isEmpty() && !user.id.isEmpty(); }

    QString server; // normalised root, as serverRoot() gives it
    QString token;
    VHUser user;
    QString projectId;
    QString projectName;
    // The authorities file (absolute path) given with --cacert for `server`.
    QString caFile;

private:
    // True when VHPD_CONFIG_DIR names the folder.
    static bool folderIsChosen();
};

// The server root the library and the session use: "https://" added when no
// scheme is given, and exactly one trailing "/".
QString serverRoot(const QString &address);

#endif // VHPD_CLI_SESSION_H
