// Fetches one URL through the library's transport and says whether that
// worked: exit 0 on success, 1 on failure, with the failure on stderr. Tests
// run it with environment variables that the transport reads only once, when
// it is first used in a process. A second argument names a file of
// authorities to trust in code first.
#include "VHNetwork.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSslCertificate>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        qCritical("usage: httpsprobe URL [CA-FILE]");
        return 2;
    }
    if (argc == 3)
        NetworkManager::instance().addCaCertificates(
            QSslCertificate::fromPath(QString::fromLocal8Bit(argv[2])));
    NetworkManager::instance().setTimeout(60000);
    NetworkEventLoop exchange(NetworkManager::instance().get(QString::fromLocal8Bit(argv[1])));
    exchange.exec();
    if (!exchange.isSuccessful()) {
        qCritical().noquote() << exchange.failure();
        return 1;
    }
    return 0;
}
