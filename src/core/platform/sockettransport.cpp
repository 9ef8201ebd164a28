#include "core/platform/sockettransport.h"

#include "core/platform/socketreply.h"

#include <QAbstractSocket>
#include <QFile>
#include <QFileInfo>
#include <QNetworkSession>
#include <QPointer>
#include <QRandomGenerator>
#include <QSharedPointer>

namespace {

// A name in a form part's header, which travels in quotes: quotes and line
// breaks are percent-encoded, as browsers and libcurl do, so that a file's
// name cannot end its part's header and write headers or parts of its own.
QByteArray formName(const QString &name)
{
    QByteArray bytes = name.toUtf8();
    return bytes.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
}

} // namespace

SocketTransport::SocketTransport(QObject *parent)
    : QObject(parent)
{
#ifndef QT_NO_BEARERMANAGEMENT
    // Qt's sockets read a QSharedPointer<QNetworkSession> property as they
    // connect, which registers that type the first time; two threads doing
    // so at once make Qt warn. The first transport of the process registers
    // it, before any of its sockets connects.
    static const int sessionType = [] {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        return qMetaTypeId<QSharedPointer<QNetworkSession>>();
        QT_WARNING_POP
    }();
    Q_UNUSED(sessionType)
#endif
}

SocketTransport::~SocketTransport()
{
    for (const auto &kept : qAsConst(m_idle)) {
        kept.second->disconnect(this);
        delete kept.second;
    }
}

QNetworkReply *SocketTransport::send(const QNetworkRequest &request,
                                     QNetworkAccessManager::Operation operation,
                                     const QByteArray &body)
{
    auto *reply = new SocketReply(this, request, operation, this);
    reply->setBody(body);
    reply->m_bodySize = body.size();
    return reply;
}

QNetworkReply *SocketTransport::sendForm(const QNetworkRequest &request, const QByteArray &verb,
                                         const QMap<QString, QString> &fields,
                                         std::unique_ptr<QFile> file)
{
    QByteArray boundary = QByteArrayLiteral("vhpd");
    for (int i = 0; i < 4; ++i)
        boundary += QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const QByteArray delimiter = "--" + boundary + "\r\n";
    QByteArray head;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        head += delimiter + "Content-Disposition: form-data; name=\"" + formName(it.key()) +
                "\"\r\n\r\n" + it.value().toUtf8() + "\r\n";
    head += delimiter + "Content-Disposition: form-data; name=\"file\"; filename=\"" +
            formName(QFileInfo(file->fileName()).fileName()) +
            "\"\r\nContent-Type: application/octet-stream\r\n\r\n";

    QNetworkRequest form(request);
    form.setAttribute(QNetworkRequest::CustomVerbAttribute, verb);
    form.setHeader(QNetworkRequest::ContentTypeHeader,
                   QByteArray("multipart/form-data; boundary=" + boundary));
    auto *reply = new SocketReply(this, form, QNetworkAccessManager::CustomOperation, this);
    reply->setForm(head, std::move(file), "\r\n--" + boundary + "--\r\n");
    return reply;
}

void SocketTransport::closeConnections()
{
    QList<QPointer<SocketReply>> replies;
    const QList<SocketReply *> children =
        findChildren<SocketReply *>(QString(), Qt::FindDirectChildrenOnly);
    for (SocketReply *child : children)
        replies.append(child);
    for (const QPointer<SocketReply> &reply : qAsConst(replies)) {
        if (reply)
            reply->abort();
    }
    while (!m_idle.isEmpty())
        dropIdle(m_idle.constLast().second);
}

QAbstractSocket *SocketTransport::takeIdle(const QString &key)
{
    for (int i = m_idle.size() - 1; i >= 0; --i) {
        if (m_idle.at(i).first != key)
            continue;
        QAbstractSocket *socket = m_idle.takeAt(i).second;
        socket->disconnect(this);
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
            return socket;
        socket->abort();
        socket->deleteLater();
    }
    return nullptr;
}

void SocketTransport::keepIdle(const QString &key, QAbstractSocket *socket)
{
    socket->setParent(this);
    // A kept connection has nothing to say: whatever it reads or does ends it.
    const auto drop = [this, socket] { dropIdle(socket); };
    connect(socket, &QIODevice::readyRead, this, drop);
    connect(socket, &QAbstractSocket::disconnected, this, drop);
    connect(socket, &QAbstractSocket::errorOccurred, this, drop);
    m_idle.append(qMakePair(key, socket));
    if (m_idle.size() > MaxIdleConnections)
        dropIdle(m_idle.constFirst().second);
}

void SocketTransport::dropIdle(QAbstractSocket *socket)
{
    for (int i = 0; i < m_idle.size(); ++i) {
        if (m_idle.at(i).second == socket) {
            m_idle.removeAt(i);
            break;
        }
    }
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
