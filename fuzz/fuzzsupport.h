#ifndef VHPD_FUZZSUPPORT_H
#define VHPD_FUZZSUPPORT_H

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// What every fuzz target shares: one application object for the whole run
// and the JSON views a reply offers for the fuzzer's bytes.
namespace Fuzz {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
}

inline QJsonDocument document(const uint8_t *data, size_t size)
{
    return QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
}

// The reply's object, and every object of its list (top level or under
// "data"), as the request frame hands them to a parser.
inline QList<QJsonObject> objects(const QJsonDocument &doc)
{
    QList<QJsonObject> result{doc.object()};
    const QJsonArray items =
        doc.isArray() ? doc.array() : doc.object().value(QLatin1String("data")).toArray();
    for (const QJsonValue &item : items)
        result.append(item.toObject());
    return result;
}

// Stops the run with a finding when an invariant does not hold.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace Fuzz

#endif // VHPD_FUZZSUPPORT_H
