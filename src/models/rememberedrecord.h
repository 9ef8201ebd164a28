#ifndef VHPD_MODELS_REMEMBEREDRECORD_H
#define VHPD_MODELS_REMEMBEREDRECORD_H

#include <QMap>
#include <QString>

// Copies the record remembered under `id` into `record`; false, leaving
// `record` as it was, when none is.
template<typename Record>
bool copyRemembered(const QMap<QString, Record> &cache, const QString &id, Record &record)
{
    const auto found = cache.constFind(id);
    if (found == cache.constEnd())
        return false;
    record = *found;
    return true;
}

#endif // VHPD_MODELS_REMEMBEREDRECORD_H
