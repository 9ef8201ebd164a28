// A client of the installed library: public headers only, linked against the
// shared library through its CMake package.
#include <VHPlatform.h>
#include <VHPrimaryData.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    VHBaseApi::GetInstance().setIp(QStringLiteral("http://127.0.0.1:1"));
    NetworkManager::instance().setTimeout(2000);

    VHPrimaryData *facade = VHPrimaryData::instance();
    VHUser user;
    QString message;
    const int code = facade->login(QStringLiteral("ann"), QStringLiteral("pw"), QString(), message,
                                   user, false, false);
    // Nothing listens on port 1: the cause says so.
    const VHError error = facade->lastError();
    facade->getCurrentUserInfo(user);
    facade->clear();
    const bool ok = code == -1 && user.id.isEmpty() && user.visible && facade->logout() &&
                    VHSocketIO::GetInstance()->closeCount() == 2 &&
                    error.kind == VHError::Kind::ConnectionRefused &&
                    error.url == QStringLiteral("http://127.0.0.1:1/v1/account-service/login");
    std::printf("consumer: login code %d, %s, %s\n", code,
                qPrintable(VHError::kindName(error.kind)), ok ? "ok" : "unexpected");
    return ok ? 0 : 1;
}
