#include "VHNetwork.h"

namespace {

bool sendForm(const QString &path, const QByteArray &verb, const QString &filePath,
              const QMap<QString, QString> &params)
{
    const QString url =
        VHBaseApi::GetInstance().getBaseApi() + QLatin1String("model-service/") + path;
    QNetworkReply *reply = NetworkManager::instance().sendFileForm(url, verb, params, filePath);
    if (!reply)
        return false;
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
