#include "store.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

const QString kId = QStringLiteral("_id");

int indexOf(const QList<QJsonObject> &documents, const QString &id)
{
    for (int i = 0; i < documents.size(); ++i) {
        if (documents.at(i).value(kId).toString() == id)
            return i;
    }
    return -1;
}

} // namespace

bool Store::load(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    return loadJson(file.readAll(), error);
}

bool Store::loadJson(const QByteArray &json, QString &error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("seed data is not JSON: %1 at offset %2")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    if (!loadCollections(document.object().value(QLatin1String("collections")).toObject(), error)) {
        error = QStringLiteral("seed data has no \"collections\" object");
        return false;
    }
    return true;
}

bool Store::loadCollections(const QJsonObject &collections, QString &error)
{
    if (collections.isEmpty()) {
        error = QStringLiteral("no \"collections\" object");
        return false;
    }
    m_collections.clear();
    ++m_revision;
    for (auto it = collections.begin(); it != collections.end(); ++it) {
        QList<QJsonObject> &documents = m_collections[it.key()];
        const QJsonArray items = it.value().toArray();
        documents.reserve(items.size());
        for (const QJsonValue &item : items)
            documents.append(item.toObject());
    }
    return true;
}

QJsonObject Store::snapshot() const
{
    QJsonObject collections;
    for (auto it = m_collections.constBegin(); it != m_collections.constEnd(); ++it) {
        QJsonArray documents;
        for (const QJsonObject &document : it.value())
            documents.append(document);
        collections.insert(it.key(), documents);
    }
    return QJsonObject{{QStringLiteral("idCounter"), double(m_counter)},
                       {QStringLiteral("collections"), collections}};
}

bool Store::restore(const QJsonObject &snapshot, QString &error)
{
    const QJsonValue counter = snapshot.value(QLatin1String("idCounter"));
    if (!counter.isDouble() || counter.toDouble() < 0) {
        error = QStringLiteral("no \"idCounter\" number");
        return false;
    }
    if (!loadCollections(snapshot.value(QLatin1String("collections")).toObject(), error))
        return false;
    m_counter = quint32(counter.toDouble());
    return true;
}

const QList<QJsonObject> &Store::all(const QString &name) const
{
    static const QList<QJsonObject> none;
    const auto it = m_collections.constFind(name);
    return it == m_collections.constEnd() ? none : it.value();
}

QList<QJsonObject> Store::select(const QString &name, const Predicate &keep) const
{
    QList<QJsonObject> selected;
    for (const QJsonObject &document : all(name)) {
        if (keep(document))
            selected.append(document);
    }
    return selected;
}

QList<QJsonObject> Store::selectBy(const QString &name, const QString &key,
                                   const QString &value) const
{
    return select(name, [&](const QJsonObject &document) {
        const QJsonValue field = document.value(key);
        return field.isString() && field.toString() == value;
    });
}

QJsonObject Store::first(const QString &name, const Predicate &keep) const
{
    for (const QJsonObject &document : all(name)) {
        if (keep(document))
            return document;
    }
    return QJsonObject();
}

QJsonObject Store::byId(const QString &name, const QString &id) const
{
    const QList<QJsonObject> &documents = all(name);
    const int index = indexOf(documents, id);
    return index < 0 ? QJsonObject() : documents.at(index);
}

bool Store::contains(const QString &name, const QString &id) const
{
    return indexOf(all(name), id) >= 0;
}

QJsonObject Store::insert(const QString &name, QJsonObject document)
{
    if (document.value(kId).toString().isEmpty())
        document.insert(kId, newId());
    m_collections[name].append(document);
    ++m_revision;
    return document;
}

bool Store::replace(const QString &name, const QJsonObject &document)
{
    QList<QJsonObject> &documents = m_collections[name];
    const int index = indexOf(documents, document.value(kId).toString());
    if (index < 0)
        return false;
    documents[index] = document;
    ++m_revision;
    return true;
}

int Store::remove(const QString &name, const Predicate &drop)
{
    auto it = m_collections.find(name);
    if (it == m_collections.end())
        return 0;
    const int before = it->size();
    it->erase(std::remove_if(it->begin(), it->end(), drop), it->end());
    if (it->size() != before)
        ++m_revision;
    return before - it->size();
}

bool Store::removeId(const QString &name, const QString &id)
{
    return remove(name, [&](const QJsonObject &document) {
               return document.value(kId).toString() == id;
           }) > 0;
}

// Seconds, a machine part that differs from the seed file's, and a counter,
// like the ids the service hands out.
QString Store::newId()
{
    const quint32 seconds = quint32(QDateTime::currentSecsSinceEpoch());
    return QString::number(seconds, 16).rightJustified(8, QLatin1Char('0')) +
           QLatin1String("5e17ab1c0e") +
           QString::number(++m_counter, 16).rightJustified(6, QLatin1Char('0'));
}

QString timestampNow()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}
