#ifndef VHPD_SANDBOX_STORE_H
#define VHPD_SANDBOX_STORE_H

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>

// The sandbox's data: named collections of JSON documents kept in insertion
// order, loaded from a seed file and changed by requests for the life of the
// process. Documents are identified by their "_id" text.
class Store
{
public:
    using Predicate = std::function<bool(const QJsonObject &)>;

    // Replaces every collection with those of the seed file `path`, whose
    // top-level object holds "collections": {name: [documents]}.
    bool load(const QString &path, QString &error);
    bool loadJson(const QByteArray &json, QString &error);

    // Every collection and the id counter, as a state file keeps them, and
    // back: a restored store hands out ids that follow the saved ones.
    QJsonObject snapshot() const;
    bool restore(const QJsonObject &snapshot, QString &error);
    // Grows with every change of a document.
    quint64 revision() const { return m_revision; }

    const QList<QJsonObject> &all(const QString &name) const;
    QList<QJsonObject> select(const QString &name, const Predicate &keep) const;
    // Documents whose `key` holds exactly the text `value`.
    QList<QJsonObject> selectBy(const QString &name, const QString &key,
                                const QString &value) const;
    // The first matching document, or an empty object.
    QJsonObject first(const QString &name, const Predicate &keep) const;
    QJsonObject byId(const QString &name, const QString &id) const;
    bool contains(const QString &name, const QString &id) const;

    // Appends `document`, giving it a fresh "_id" when it has none; returns it.
    QJsonObject insert(const QString &name, QJsonObject document);
    // Replaces the document with the same "_id"; false when there is none.
    bool replace(const QString &name, const QJsonObject &document);
    // Removes the matching documents and returns how many went.
    int remove(const QString &name, const Predicate &drop);
    bool removeId(const QString &name, const QString &id);

    // A new object id in the service's style, unique for this process.
    QString newId();

private:
    bool loadCollections(const QJsonObject &collections, QString &error);

    QHash<QString, QList<QJsonObject>> m_collections;
    quint32 m_counter = 0;
    quint64 m_revision = 0;
};

// The current UTC time as the service writes date-times:
// "2026-01-02T03:04:05.678Z".
QString timestampNow();

#endif // VHPD_SANDBOX_STORE_H
