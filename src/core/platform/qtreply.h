#ifndef VHPD_QTREPLY_H
#define VHPD_QTREPLY_H

#include "core/platform/transportreply.h"

#include <QPointer>

// One exchange carried by Qt's network access manager, seen through the
// transport's own reply. Qt's reply is drained as its data arrives and may
// hold no more than ReadWindowBytes unread, so the limit on the body's size
// holds while the body arrives and Qt's network thread does not run ahead of
// it.
//
// Qt 5's network thread learns of the window only after it has sent the
// request. A server that streams its reply faster than that thread reads it
// and whose first bytes arrive before the window does keeps that thread
// reading, beyond the window and beyond any abort, for as long as it goes on
// sending: Qt's backend cannot bound such a reply. libcurl's can.
//
// Qt inflates a compressed reply whole as it reads it, beyond anyone's
// reach, so requests of this backend ask for uncompressed replies (the
// manager sets "Accept-Encoding: identity"), and a reply that comes
// compressed all the same is refused.
class QtReply : public TransportReply
{
    Q_OBJECT
public:
    // Takes `inner` over. Both are children of Qt's manager, which deletes
    // its replies when it goes; `inner` is deleted some time after this one.
    explicit QtReply(QNetworkReply *inner);
    ~QtReply() override;

    void abort() override;

    static constexpr qint64 ReadWindowBytes = qint64(256) * 1024;

private:
    void takeMetaData();
    void takeBody();
    void end();

    QPointer<QNetworkReply> m_inner;
};

#endif // VHPD_QTREPLY_H
