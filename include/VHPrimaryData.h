#ifndef VHPRIMARYDATA_H
#define VHPRIMARYDATA_H

#include "VHPrimaryDataExport.h"
#include "VHUser.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The client's single gateway to the service's primary data. One object per
// process, reached through instance(); every operation runs on the calling
// (GUI) thread and blocks it in a local event loop while it waits for the
// server. Operations report success by their result and fill the output
// arguments the caller passes by reference.
class VHPRIMARYDATA_EXPORT VHPrimaryData
{
public:
    static VHPrimaryData *instance();

    VHPrimaryData(const VHPrimaryData &) = default;
    VHPrimaryData &operator=(const VHPrimaryData &) = default;

    // --- Login and session ---------------------------------------------------

    // 0 when the server accepted the credentials and returned a user; the
    // server's own code (and `message`) for a refused login; -1 otherwise.
    int login(const QString &name, const QString &password, const QString &code, QString &message,
              VHUser &user, bool useCode, bool useDouble);
    bool logout();
    void getCurrentUserInfo(VHUser &user);
    // Drops the per-project caches; keeps projects, edit rights and
    // organisation names.
    void clear();

    // --- Account ---------------------------------------------------------------

    bool createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                          QString &message, bool verify, bool debug);
    bool touchApi(QString &url);
    bool getCountryCodes(QStringList &codes);
    bool getUser(const QString &userId, VHUser &user, bool refresh);
    bool verifyUser(const QString &hostId, const QString &userId, int type);

private:
    // Lets the test programs inspect the caches they check.
    template<typename Tag>
    friend struct VHPrimaryDataProbe;

    VHPrimaryData();
    ~VHPrimaryData();

    VHUser m_currentUser;
    QList<VHUser> m_projectMembers;
};

#endif // VHPRIMARYDATA_H
