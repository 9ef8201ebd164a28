#include "modelversions.h"

#include <QHash>

#include <algorithm>

namespace ModelVersions {

namespace {

const QString kUuid = QStringLiteral("uuid");
const QString kStatus = QStringLiteral("status");

int versionOf(const QJsonObject &history)
{
    return history.value(QLatin1String("version")).toInt();
}

// One entity as the versions know it: since when it exists, when it was
// deleted (0: never), what it is, and the versions that modified it.
struct Track
{
    int since = 1;
    int deletedIn = 0;
    QJsonObject entity;
    QList<QPair<int, QString>> modifications;

    bool presentIn(int version) const
    {
        return version >= since && (deletedIn == 0 || version < deletedIn);
    }
    int modificationsUpTo(int version) const
    {
        return int(std::count_if(modifications.begin(), modifications.end(),
                                 [&](const auto &m) { return m.first <= version; }));
    }
};

// Every entity the model ever held, keyed by uuid, in stored order.
QList<QPair<QString, Track>> tracks(const Store &store, const QString &modelId)
{
    QList<QPair<QString, Track>> all;
    QHash<QString, int> index;
    for (const QJsonObject &entity :
         store.selectBy(QStringLiteral("entities"), QStringLiteral("modelId"), modelId)) {
        Track track;
        track.since = entity.value(QLatin1String("sinceVersion")).toInt(1);
        track.entity = entity;
        index.insert(entity.value(kUuid).toString(), all.size());
        all.append({entity.value(kUuid).toString(), track});
    }
    for (const QJsonObject &entry : history(store, modelId)) {
        const int version = versionOf(entry);
        for (const QJsonValue &value : entry.value(QLatin1String("changes")).toArray()) {
            const QJsonObject change = value.toObject();
            const QString uuid = change.value(kUuid).toString();
            const QString status = change.value(kStatus).toString();
            if (status == QLatin1String("del") && !index.contains(uuid)) {
                Track gone;
                gone.deletedIn = version;
                gone.entity = change.value(QLatin1String("entity")).toObject();
                index.insert(uuid, all.size());
                all.append({uuid, gone});
            } else if (status == QLatin1String("mod") && index.contains(uuid)) {
                all[index.value(uuid)].second.modifications.append(
                    {version, change.value(QLatin1String("diff")).toString()});
            }
        }
    }
    return all;
}

QJsonObject property(const QString &group, const QString &key, const QString &value)
{
    return QJsonObject{{QStringLiteral("group"), group},
                       {QStringLiteral("key"), key},
                       {QStringLiteral("value"), value}};
}

} // namespace

QList<QJsonObject> history(const Store &store, const QString &modelId)
{
    QList<QJsonObject> entries =
        store.selectBy(QStringLiteral("histories"), QStringLiteral("modelId"), modelId);
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const QJsonObject &a, const QJsonObject &b) { return versionOf(a) < versionOf(b); });
    return entries;
}

bool hasVersion(const Store &store, const QString &modelId, int version)
{
    const QList<QJsonObject> entries = history(store, modelId);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const QJsonObject &entry) { return versionOf(entry) == version; });
}

bool entityInVersion(const Store &store, const QJsonObject &entity, int version)
{
    const QString uuid = entity.value(kUuid).toString();
    for (const auto &track : tracks(store, entity.value(QLatin1String("modelId")).toString())) {
        if (track.first == uuid)
            return track.second.presentIn(version);
    }
    return false;
}

QJsonArray compare(const Store &store, const QString &modelId, int base, int other)
{
    const int low = std::min(base, other);
    const int high = std::max(base, other);
    QJsonArray changes;
    for (const auto &entry : tracks(store, modelId)) {
        const Track &track = entry.second;
        const bool before = track.presentIn(base);
        const bool after = track.presentIn(other);
        QJsonObject change{{kUuid, entry.first},
                           {QStringLiteral("name"), track.entity.value(QLatin1String("name"))}};
        if (!before && after) {
            change.insert(kStatus, QStringLiteral("add"));
        } else if (before && !after) {
            change.insert(kStatus, QStringLiteral("del"));
        } else if (before && track.modificationsUpTo(high) != track.modificationsUpTo(low)) {
            QString diff;
            for (const auto &m : track.modifications) {
                if (m.first > low && m.first <= high)
                    diff = m.second;
            }
            change.insert(kStatus, QStringLiteral("mod"));
            change.insert(QStringLiteral("diff"), diff);
        } else {
            continue;
        }
        changes.append(change);
    }
    return changes;
}

// Properties are derived from the entity itself; every modification of the
// entity lengthens it, so that two versions read differently.
QJsonObject entityProperties(const Store &store, const QString &modelId, const QString &uuid,
                             int version)
{
    for (const auto &entry : tracks(store, modelId)) {
        if (entry.first != uuid)
            continue;
        const Track &track = entry.second;
        if (!track.presentIn(version))
            return QJsonObject();
        const QJsonObject &e = track.entity;
        const uint hash = qHash(uuid, 0);
        const int length = 1000 + int(hash % 9000) + 150 * track.modificationsUpTo(version);
        // One material per domain: architecture, structure, plumbing, HVAC,
        // electrical, fire protection.
        static const char *const materials[] = {
            "Gypsum board",     "Concrete C40/50",      "Copper",
            "Galvanised steel", "Pre-galvanised steel", "Steel S275"};
        const int domain = e.value(QLatin1String("domain")).toInt();
        const QString entityId = e.value(QLatin1String("entityId")).toString();
        return QJsonObject{
            {QStringLiteral("name"), e.value(QLatin1String("name"))},
            {QStringLiteral("entityId"), entityId.toInt()},
            {QStringLiteral("floor"), e.value(QLatin1String("floor"))},
            {QStringLiteral("category"), e.value(QLatin1String("category"))},
            {QStringLiteral("domain"), e.value(QLatin1String("domain"))},
            {QStringLiteral("properties"),
             QJsonArray{
                 property(QStringLiteral("Identity"), QStringLiteral("Name"),
                          e.value(QLatin1String("name")).toString()),
                 property(QStringLiteral("Identity"), QStringLiteral("Element id"), entityId),
                 property(QStringLiteral("Constraints"), QStringLiteral("Level"),
                          e.value(QLatin1String("floor")).toString()),
                 property(QStringLiteral("Dimensions"), QStringLiteral("Length"),
                          QStringLiteral("%1 mm").arg(length)),
                 property(QStringLiteral("Materials"), QStringLiteral("Material"),
                          QLatin1String(materials[domain >= 1 && domain <= 6 ? domain - 1 : 0]))}}};
    }
    return QJsonObject();
}

} // namespace ModelVersions
