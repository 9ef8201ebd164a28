#ifndef VHPD_TESTS_JSONTEXT_H
#define VHPD_TESTS_JSONTEXT_H

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>

// The JSON object written in a test; a typo in the text stops the program at
// once instead of testing an empty object.
inline QJsonObject object(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        qFatal("test JSON is not an object: %s", json.constData());
    return document.object();
}

#endif // VHPD_TESTS_JSONTEXT_H
