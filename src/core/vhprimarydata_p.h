#ifndef VHPD_VHPRIMARYDATA_P_H
#define VHPD_VHPRIMARYDATA_P_H

#include "VHPrimaryData.h"

// The facade's state: the logged-in user and the caches the operations keep
// between calls, with what each starts as. clear() resets the per-project
// ones; a copy of the facade copies all of it.
class VHPrimaryDataPrivate
{
public:
    static VHPrimaryDataPrivate *get(VHPrimaryData *facade) { return facade->d; }
    static const VHPrimaryDataPrivate *get(const VHPrimaryData *facade) { return facade->d; }
    // The facade's destructor is private (the library owns the one object);
    // a copy made with new is destroyed through here.
    static void destroy(VHPrimaryData *copy) { delete copy; }

    VHUser m_currentUser;
    QList<VHUser> m_projectMembers;
    bool m_structuresLoaded = false;
    QList<VHStructure> m_structures;
    QMap<QString, VHModel> m_models;
    QMap<QString, VHModelSet> m_modelSets;
    QList<VHModelTagType> m_modelTagTypes;
    QList<VHModelTag> m_modelTags;
    QMap<QString, QString> m_tagTypeByTagId;
    QMap<QString, QString> m_tagNameByTagId;
    QMap<QString, VHProject> m_projects;
    QList<VHDomain> m_domains;
    bool m_domainsLoaded = false;
    bool m_qrSettingLoaded = false;
    VHQRSetting m_qrSetting;
    QString m_qrSettingInitialText;
    bool m_qrTemplatesLoaded = false;
    QList<VHQRTemplate> m_qrTemplates;
    QMap<QString, VHPrintRecord> m_printRecords;
    QMap<QString, VHEntity> m_entities;
    QString m_entityRangeQuery;
    bool m_canEditModel = false;
    QMap<QString, bool> m_tagEditRights;
    bool m_entityPropertyDisplayLoaded = false;
    QMap<QString, bool> m_entityPropertyDisplay;
    QMap<QString, QString> m_orgNameById;
    VHError m_lastError;
};

#endif // VHPD_VHPRIMARYDATA_P_H
