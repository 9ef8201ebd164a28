#ifndef VHPD_MODELPROBE_H
#define VHPD_MODELPROBE_H

#include "VHPrimaryData.h"

// The caches that the model, model-set, tag and edit-right operations keep.
struct ModelFields;
template<> struct VHPrimaryDataProbe<ModelFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHModel> &models() { return facade().m_models; }
    static QMap<QString, VHModelSet> &modelSets() { return facade().m_modelSets; }
    static QList<VHModelTagType> &tagTypes() { return facade().m_modelTagTypes; }
    static QList<VHModelTag> &tags() { return facade().m_modelTags; }
    static QMap<QString, QString> &tagTypeByTagId() { return facade().m_tagTypeByTagId; }
    static QMap<QString, QString> &tagNameByTagId() { return facade().m_tagNameByTagId; }
    static bool &canEditModel() { return facade().m_canEditModel; }
    static QMap<QString, bool> &tagEditRights() { return facade().m_tagEditRights; }

    // Every cache of this subsystem empty, as after the library's load.
    static void reset()
    {
        facade().clear();
        canEditModel() = false;
        tagEditRights().clear();
    }
};
using ModelProbe = VHPrimaryDataProbe<ModelFields>;

#endif // VHPD_MODELPROBE_H
