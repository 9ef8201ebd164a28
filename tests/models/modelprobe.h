#ifndef VHPD_MODELPROBE_H
#define VHPD_MODELPROBE_H

#include "VHPrimaryData.h"
#include "facadeprobe.h"

// The caches that the model, model-set, tag and edit-right operations keep.
struct ModelFields;
template<> struct VHPrimaryDataProbe<ModelFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHModel> &models() { return facadeState().m_models; }
    static QMap<QString, VHModelSet> &modelSets() { return facadeState().m_modelSets; }
    static QList<VHModelTagType> &tagTypes() { return facadeState().m_modelTagTypes; }
    static QList<VHModelTag> &tags() { return facadeState().m_modelTags; }
    static QMap<QString, QString> &tagTypeByTagId() { return facadeState().m_tagTypeByTagId; }
    static QMap<QString, QString> &tagNameByTagId() { return facadeState().m_tagNameByTagId; }
    static bool &canEditModel() { return facadeState().m_canEditModel; }
    static QMap<QString, bool> &tagEditRights() { return facadeState().m_tagEditRights; }
};
using ModelProbe = VHPrimaryDataProbe<ModelFields>;

#endif // VHPD_MODELPROBE_H
