#include "core/platform/qtreply.h"

#include <QSslError>

namespace {

// What a reply's callers read besides its headers.
const QNetworkRequest::Attribute kForwardedAttributes[] = {
    QNetworkRequest::HttpStatusCodeAttribute,    QNetworkRequest::HttpReasonPhraseAttribute,
    QNetworkRequest::RedirectionTargetAttribute, QNetworkRequest::ConnectionEncryptedAttribute,
    QNetworkRequest::Http2WasUsedAttribute,
};

} // namespace

QtReply::QtReply(QNetworkReply *inner)
    : TransportReply(inner->request(), inner->operation(), inner->manager())
    , m_inner(inner)
{
    connect(inner, &QNetworkReply::metaDataChanged, this, &QtReply::takeMetaData);
    connect(inner, &QNetworkReply::readyRead, this, &QtReply::takeBody);
    connect(inner, &QNetworkReply::finished, this, &QtReply::end);
    connect(inner, &QNetworkReply::uploadProgress, this, &QNetworkReply::uploadProgress);
    connect(inner, &QNetworkReply::sslErrors, this, &QNetworkReply::sslErrors);
    // Qt's manager deletes its replies when it goes, Qt's own first.
    connect(inner, &QObject::destroyed, this,
            [this] { complete(OperationCanceledError, QStringLiteral("Operation canceled")); });
}

// Qt's manager may delete both replies in one sweep, so the inner one is not
// deleted here but left to the event loop, or to the manager.
QtReply::~QtReply()
{
    if (m_inner) {
        m_inner->disconnect(this);
        m_inner->abort();
        m_inner->deleteLater();
    }
}

void QtReply::takeMetaData()
{
    for (const QNetworkRequest::Attribute attribute : kForwardedAttributes)
        setAttribute(attribute, m_inner->attribute(attribute));
    const QList<RawHeaderPair> headers = m_inner->rawHeaderPairs();
    for (const RawHeaderPair &header : headers)
        setRawHeader(header.first, header.second);

    const QByteArray coding = m_inner->rawHeader("Content-Encoding").trimmed().toLower();
    const QVariant length = m_inner->header(QNetworkRequest::ContentLengthHeader);
    bool acceptable = true;
    if (!coding.isEmpty() && coding != "identity") {
        refuse(QStringLiteral("the reply is compressed (%1) though it was asked for uncompressed")
                   .arg(QString::fromLatin1(coding)));
        acceptable = false;
    } else if (length.isValid()) {
        acceptable = reserveBody(length.toLongLong());
    }
    if (!acceptable) {
        m_inner->abort();
        return;
    }
    emit metaDataChanged();
}

void QtReply::takeBody()
{
    if (!appendBody(*m_inner)) {
        m_inner->abort();
        return;
    }
    announceBody();
}

void QtReply::end()
{
    if (isFinished())
        return;
    if (!refused() && m_inner->bytesAvailable() > 0 && appendBody(*m_inner)) {
        const QPointer<QtReply> self(this);
        announceBody();
        if (!self || isFinished())
            return;
    }
    complete(m_inner->error(), m_inner->errorString());
}

void QtReply::abort()
{
    if (isFinished())
        return;
    closeDevice();
    m_inner->abort();
    if (!isFinished())
        complete(OperationCanceledError, QStringLiteral("Operation canceled"));
}
