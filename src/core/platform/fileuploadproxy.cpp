#include "VHNetwork.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>

namespace {

// The multipart form of one model file: a text part per parameter and the file
// itself, which Qt streams from disk as the request is written.
QHttpMultiPart *makeForm(QFile *file, const QMap<QString, QString> &params)
{
    auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"%1\"").arg(it.key()));
        part.setBody(it.value().toUtf8());
        form->append(part);
    }
    QHttpPart filePart;
    filePart.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"file\"; filename=\"%1\"")
                           .arg(QFileInfo(file->fileName()).fileName()));
    filePart.setHeader(QNetworkRequest::ContentTypeHeader,
                       QStringLiteral("application/octet-stream"));
    filePart.setBodyDevice(file);
    file->setParent(form);
    form->append(filePart);
    return form;
}

bool sendForm(const QString &path, const QByteArray &verb, const QString &filePath,
              const QMap<QString, QString> &params)
{
    auto *file = new QFile(filePath);
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        return false;
    }
    QHttpMultiPart *form = makeForm(file, params);
    const QString url =
        VHBaseApi::GetInstance().getBaseApi() + QLatin1String("model-service/") + path;
    QNetworkReply *reply = NetworkManager::instance().sendMultipart(url, verb, form);
    form->setParent(reply);
    NetworkEventLoop loop(reply, nullptr);
    loop.exec(0);
    return loop.isSuccessful() && loop.httpStatus() >= 200 && loop.httpStatus() < 300;
}

} // namespace

bool CFileUploadProxy::uploadDNG(const QString &filePath, const QMap<QString, QString> &params)
{
    return sendForm(QStringLiteral("models/dng"), QByteArrayLiteral("POST"), filePath, params);
}

bool CFileUploadProxy::updateDNG(const QString &filePath, const QMap<QString, QString> &params,
                                 const QString &modelId)
{
    return sendForm(QStringLiteral("models/%1/dng").arg(modelId), QByteArrayLiteral("PUT"),
                    filePath, params);
}
