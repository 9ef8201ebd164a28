#ifndef VHPD_CURLREPLY_H
#define VHPD_CURLREPLY_H

#include "core/platform/transportreply.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QPointer>
#include <QTimer>

#include <curl/curl.h>

#include <memory>

class CurlTransport;
class QFile;

// One exchange run by libcurl, seen by its callers as Qt's own replies are:
// the same attributes, headers, errors and signals.
//
// curl's callbacks only record what arrived; the transport calls deliver()
// once curl has returned, and the signals go out from there. So a slot may
// abort or delete any reply, start requests or wait in a nested event loop
// without ever re-entering curl.
class CurlReply : public TransportReply
{
    Q_OBJECT
public:
    // Takes `easy` over; the transport adds it to its multi handle.
    CurlReply(CurlTransport *transport, CURL *easy, const QNetworkRequest &request,
              QNetworkAccessManager::Operation operation, QObject *parent);
    ~CurlReply() override;

    void abort() override;

private:
    friend class CurlTransport;

    static size_t onHeader(char *line, size_t size, size_t count, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t downloadTotal, curl_off_t downloaded,
                          curl_off_t uploadTotal, curl_off_t uploaded);
    static size_t onReadFile(char *buffer, size_t size, size_t count, void *file);
    static int onSeekFile(void *file, curl_off_t offset, int origin);

    // Emits what has arrived since the last call, and the end once curl is done.
    void deliver();
    void applyMetaData();
    void finish();
    // Takes the handle out of the transport and frees it.
    void release();

    QPointer<CurlTransport> m_transport;
    CURL *m_easy = nullptr;
    bool m_attached = false;
    curl_slist *m_requestHeaders = nullptr;
    curl_mime *m_form = nullptr;
    QByteArray m_upload;
    std::unique_ptr<QFile> m_file;
    char m_curlError[CURL_ERROR_SIZE] = {};

    // What curl delivered; the announced counters say how much of it the
    // signals have told.
    int m_status = 0;
    QByteArray m_reason;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    bool m_headersComplete = false;
    bool m_metaDataSent = false;
    bool m_bodyReserved = false;
    qint64 m_uploaded = 0;
    qint64 m_uploadTotal = 0;
    qint64 m_uploadAnnounced = 0;
    bool m_done = false;
    CURLcode m_result = CURLE_OK;
    bool m_viaProxy = false;
    // The proxy's answer to CONNECT for a tunnelled (https) exchange; 0 when
    // there was none.
    int m_connectStatus = 0;

    // Set when the request asks for a transfer time-out: gives up when no
    // data has moved for that long.
    QTimer m_inactivity;
};

#endif // VHPD_CURLREPLY_H
