#include "requestframe.h"

#include "VHSoftBase.h"

#include <QJsonDocument>

namespace RequestFrame {

QString appendLiteral(const QString &text, const char *literal)
{
    return text + QString::fromUtf8(literal);
}

QJsonValue jsonStringOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

void ensureServerAddress()
{
    VHBaseApi &api = VHBaseApi::GetInstance();
    if (api.getIp().isEmpty())
        api.setIp(GetSoftCache()->serverAddress());
}

QString currentProjectId()
{
    return GetSoftCache()->currentProjectId();
}

QString currentUserId()
{
    return GetSoftCache()->currentUserId();
}

QString compactJson(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString compactJson(const QJsonArray &array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString fillPlaceholders(const QString &pattern, std::initializer_list<QString> values)
{
    const QString *args = values.begin();
    const int count = int(values.size());
    QString out;
    out.reserve(pattern.size() + 64);
    const int size = pattern.size();
    for (int i = 0; i < size; ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%') && i + 1 < size) {
            const int n = pattern.at(i + 1).digitValue();
            if (n >= 1 && n <= count) {
                out += args[n - 1];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString serviceRoot(Service service)
{
    QString base = VHBaseApi::GetInstance().getBaseApi();
    switch (service) {
    case Service::Account:
        return appendLiteral(base, "account-service/");
    case Service::Model:
        return appendLiteral(base, "model-service/");
    case Service::Base:
        return appendLiteral(base, "base-service/");
    case Service::Worksheet:
        return appendLiteral(base, "worksheet-service/");
    case Service::Period:
        return appendLiteral(base, "ka-reth-service/");
    }
    return base;
}

Exchange::Exchange(QNetworkReply *reply)
    : m_loop(reply, nullptr)
{
    m_loop.exec(0);
}

} // namespace RequestFrame
