#ifndef VHPD_CLI_RECORDS_H
#define VHPD_CLI_RECORDS_H

#include <AsyncCheckUpdate.h>
#include <VHPrimaryData.h>

#include <QJsonArray>
#include <QJsonObject>

// The library's records as the JSON the program prints: one member per
// field, named as the field, date-times in the server's UTC text. Where the
// library's names differ for the same thing, the members take one name:
// createdAt, createdBy, updatedAt, updatedBy, and "enabled" for a flag.

QJsonObject toJson(const VHUser &user);
QJsonObject toJson(const VHProject &project);
QJsonObject toJson(const VHMemRequest &request);
QJsonObject toJson(const VHCircle &circle);
QJsonObject toJson(const VHEnterprise &enterprise);
QJsonObject toJson(const VHStructure &structure);
QJsonObject toJson(const VHDomain &domain);
QJsonObject toJson(const VHSpecies &species);
QJsonObject toJson(const VHSubcontract &subcontract);
QJsonObject toJson(const VHEncodePair &pair);
QJsonObject toJson(const VHEncodeRule &rule);
QJsonObject toJson(const VHModule &module);
QJsonObject toJson(const VHModuleGroup &group);
QJsonObject toJson(const VHPeriod &period);
QJsonObject toJson(const VHModel &model);
QJsonObject toJson(const VHModelSet &set);
QJsonObject toJson(const VHModelTag &tag);
QJsonObject toJson(const VHModelTagType &type);
QJsonObject toJson(const VHEntity &entity);
QJsonObject toJson(const VHEntityTree &tree);
QJsonObject toJson(const VHProperty &property);
QJsonObject toJson(const VHEntityPropertyVersion &version);
QJsonObject toJson(const VHEntityPropertyExtend &extend);
QJsonObject toJson(const VHQRSetting &setting);
QJsonObject toJson(const VHQRTemplate &qrTemplate);
QJsonObject toJson(const VHPrintRecord &record);
QJsonObject toJson(const VHStatisticsQuantity &quantity);
QJsonObject toJson(const UpdateInfo &info);

template<typename Record> QJsonArray toJsonArray(const QList<Record> &records)
{
    QJsonArray array;
    for (const Record &record : records)
        array.append(toJson(record));
    return array;
}

#endif // VHPD_CLI_RECORDS_H
