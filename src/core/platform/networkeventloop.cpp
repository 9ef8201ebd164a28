#include "VHNetwork.h"

#include "core/platform/exchangefailure.h"

#include <limits>

namespace {

// Everything the finished reply holds, read in one piece. readAll() on a
// sequential device copies a large body 16 KiB at a time into a growing
// array; one read into an array of the right size copies it once.
QByteArray readWhole(QIODevice &device)
{
    const qint64 available = device.bytesAvailable();
    if (available <= 0 || available >= std::numeric_limits<int>::max())
        return device.readAll();
    QByteArray body(int(available), Qt::Uninitialized);
    body.resize(int(qMax<qint64>(device.read(body.data(), available), 0)));
    const QByteArray rest = device.readAll();
    if (!rest.isEmpty())
        body += rest;
    return body;
}

} // namespace

NetworkEventLoop::NetworkEventLoop(QNetworkReply *reply, QObject *parent)
    : QObject(parent)
    , m_reply(reply)
    , m_scope(FailureScope::current())
{
    if (!reply)
        return;
    if (reply->isFinished()) {
        capture();
        return;
    }
    connect(reply, &QNetworkReply::finished, this, &NetworkEventLoop::capture);
    // A reply destroyed before it finished (its manager went away) ends the
    // wait as a cancelled exchange instead of leaving the caller waiting.
    connect(reply, &QObject::destroyed, this, [this] {
        if (m_finished)
            return;
        m_finished = true;
        m_error = QNetworkReply::OperationCanceledError;
        m_failure.kind = VHError::Kind::Network;
        m_failure.detail = QStringLiteral("the exchange was cancelled before it finished");
        if (m_scope)
            m_scope->note(m_failure);
        m_loop.quit();
    });
}

NetworkEventLoop::~NetworkEventLoop() = default;

int NetworkEventLoop::exec(int flags)
{
    if (m_finished || !m_reply)
        return 0;
    return m_loop.exec(QEventLoop::ProcessEventsFlags(flags));
}

// Keeps everything the caller may read, because the transport deletes the
// reply soon after it has finished.
void NetworkEventLoop::capture()
{
    if (m_finished || !m_reply)
        return;
    m_finished = true;
    m_error = m_reply->error();
    m_httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_redirectTarget =
        m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl().toString();
    if (m_reply->isOpen())
        m_body = readWhole(*m_reply);
    m_failure = exchangeFailure(*m_reply, m_body);
    if (m_scope)
        m_scope->note(failure());
    m_loop.quit();
}

const QJsonDocument &NetworkEventLoop::document() const
{
    if (!m_parsed) {
        m_parsed = true;
        QJsonParseError parseError;
        m_document = QJsonDocument::fromJson(m_body, &parseError);
        if (parseError.error != QJsonParseError::NoError && !m_body.isEmpty())
            noteBadReply(QStringLiteral("the reply is not JSON: %1 at byte %2")
                             .arg(parseError.errorString())
                             .arg(parseError.offset));
        // The document holds everything the views give; dropping the text
        // now keeps a large page's peak memory down while its records are
        // built.
        m_body = QByteArray();
    }
    return m_document;
}

VHError NetworkEventLoop::failure() const
{
    return m_failure.kind == VHError::Kind::None ? VHError() : m_failure;
}

void NetworkEventLoop::noteBadReply(const QString &what) const
{
    // Only a reply that arrived can be unreadable; a failed exchange keeps
    // its own cause.
    if (!isSuccessful() || m_failure.kind != VHError::Kind::None)
        return;
    m_failure.kind = VHError::Kind::BadReply;
    m_failure.detail = what;
    if (m_scope)
        m_scope->note(m_failure);
}

QJsonObject NetworkEventLoop::object() const
{
    const QJsonDocument &doc = document();
    if (doc.isArray())
        noteBadReply(QStringLiteral("the reply is a JSON array where an object was expected"));
    return doc.object();
}

QList<QJsonObject> NetworkEventLoop::objectList() const
{
    const QJsonDocument &doc = document();
    const QJsonArray items =
        doc.isArray() ? doc.array() : doc.object().value(QLatin1String("data")).toArray();
    QList<QJsonObject> objects;
    objects.reserve(items.size());
    for (const QJsonValue &item : items) {
        if (item.isObject())
            objects.append(item.toObject());
    }
    return objects;
}

QJsonArray NetworkEventLoop::array() const
{
    const QJsonDocument &doc = document();
    if (doc.isObject())
        noteBadReply(QStringLiteral("the reply is a JSON object where an array was expected"));
    return doc.array();
}
