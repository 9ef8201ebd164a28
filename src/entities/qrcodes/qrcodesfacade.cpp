#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "entities/modelservice.h"
#include "entities/qrcodes/baseservice.h"

#include "VHPublicFun.h"

#include <algorithm>

namespace {

// Templates are listed by name, digit runs by value and letters without
// regard to case ("Label 2" before "label 10").
void sortByName(QList<VHQRTemplate> &templates)
{
    std::stable_sort(templates.begin(), templates.end(),
                     [](const VHQRTemplate &a, const VHQRTemplate &b) {
                         return VHPub::naturalSort(a.name, b.name, Qt::CaseInsensitive);
                     });
}

} // namespace

bool VHPrimaryData::getProjectUserQRSetting(VHQRSetting &setting)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_qrSettingLoaded) {
        setting = d->m_qrSetting;
        // A setting saved without a logo shows the one it was first read with.
        if (setting.logo.isEmpty())
            setting.logo = d->m_qrSettingInitialText;
        return true;
    }
    // Kept also after a failure, so that the next read asks again.
    d->m_qrSettingLoaded = BaseService::getProjectUserQRSetting(setting);
    d->m_qrSetting = setting;
    d->m_qrSettingInitialText = setting.logo;
    return d->m_qrSettingLoaded;
}

bool VHPrimaryData::createProjectUserQRSetting(VHQRSetting &setting)
{
    const FailureScope scope(d->m_lastError);
    if (!BaseService::createProjectUserQRSetting(d->m_qrSetting, setting))
        return false;
    d->m_qrSetting = setting;
    return true;
}

bool VHPrimaryData::updateProjectUserQRSetting(VHQRSetting &setting)
{
    const FailureScope scope(d->m_lastError);
    if (!BaseService::updateProjectUserQRSetting(d->m_qrSetting, setting))
        return false;
    d->m_qrSetting = setting;
    return true;
}

bool VHPrimaryData::getQRTemplates(QList<VHQRTemplate> &templates)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_qrTemplatesLoaded) {
        templates = d->m_qrTemplates;
        sortByName(templates);
        return true;
    }
    // The caller's list is added to; whatever it then holds becomes the cache,
    // also after a failure, so that the next call loads again.
    d->m_qrTemplatesLoaded = BaseService::getQRTemplates(templates);
    sortByName(templates);
    d->m_qrTemplates = templates;
    return d->m_qrTemplatesLoaded;
}

bool VHPrimaryData::getQRTemplateById(const QString &id, VHQRTemplate &qrTemplate)
{
    const FailureScope scope(d->m_lastError);
    for (const VHQRTemplate &cached : qAsConst(d->m_qrTemplates)) {
        if (cached.id == id) {
            qrTemplate = cached;
            return true;
        }
    }
    return false;
}

bool VHPrimaryData::createQRTemplate(VHQRTemplate &qrTemplate)
{
    const FailureScope scope(d->m_lastError);
    if (!BaseService::createQRTemplate(qrTemplate))
        return false;
    // Put in its place by name at the next listing.
    d->m_qrTemplates.append(qrTemplate);
    return true;
}

bool VHPrimaryData::updateQRTemplate(VHQRTemplate &qrTemplate)
{
    const FailureScope scope(d->m_lastError);
    if (!BaseService::updateQRTemplate(qrTemplate))
        return false;
    for (VHQRTemplate &cached : d->m_qrTemplates) {
        if (cached.id == qrTemplate.id) {
            cached = qrTemplate;
            break;
        }
    }
    return true;
}

bool VHPrimaryData::deleteQRTemplate(const QString &id)
{
    const FailureScope scope(d->m_lastError);
    if (!BaseService::deleteQRTemplate(id))
        return false;
    d->m_qrTemplates.erase(std::remove_if(d->m_qrTemplates.begin(), d->m_qrTemplates.end(),
                                          [&id](const VHQRTemplate &t) { return t.id == id; }),
                           d->m_qrTemplates.end());
    return true;
}

bool VHPrimaryData::createPrintRecord(const QList<VHPrintRecord> &records)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::createPrintRecord(records);
}

bool VHPrimaryData::getResourcePrintRecord(const QString &resourceId, QList<VHPrintRecord> &records)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getResourcePrintRecord(resourceId, records))
        return false;
    d->m_printRecords.clear();
    for (const VHPrintRecord &record : qAsConst(records))
        d->m_printRecords.insert(record.id, record);
    std::sort(records.begin(), records.end(), [](const VHPrintRecord &a, const VHPrintRecord &b) {
        return a.createdAt > b.createdAt;
    });
    return true;
}

bool VHPrimaryData::getPrintRecord(const QString &id, VHPrintRecord &record)
{
    const FailureScope scope(d->m_lastError);
    // An unknown id yields, and leaves behind, a default record.
    record = d->m_printRecords[id];
    return true;
}
