#include "VHNetwork.h"

#include <QUrl>

VHBaseApi &VHBaseApi::GetInstance()
{
    static VHBaseApi api;
    return api;
}

QString VHBaseApi::getBaseApi() const
{
    QString root = m_ip;
    if (!root.contains(QLatin1String("://")))
        root.prepend(QLatin1String("https://"));
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root + QLatin1Char('/') + m_apiVer;
}

bool VHBaseProxy::getQueryParam(const QString &json, QString &out)
{
    out = QString::fromLatin1(QUrl::toPercentEncoding(json));
    return true;
}
