#include "VHNetwork.h"

#include "core/platform/exchangefailure.h"

AsyncNetManager::AsyncNetManager(QObject *parent)
    : QObject(parent)
{}

// A request still under way is cancelled quietly: its completion must not
// reach an object that no longer exists.
AsyncNetManager::~AsyncNetManager()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void AsyncNetManager::get(const QString &url)
{
    QNetworkReply *reply = NetworkManager::instance().get(url);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (m_reply == reply)
            m_reply.clear();
        const QByteArray content = reply->isOpen() ? reply->readAll() : QByteArray();
        m_outcome = exchangeFailure(*reply, content);
        emit netComplete(content);
    });
}

bool AsyncNetManager::isFinished() const
{
    return !m_reply;
}
