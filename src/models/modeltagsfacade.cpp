#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "models/modelservice.h"

#include <algorithm>

// The project's tags and tag types, loaded lazily and held until clear(), and
// the user's edit rights, held until they are loaded again.

namespace {

template<typename Record> const Record *findById(const QList<Record> &records, const QString &id)
{
    const auto found = std::find_if(records.cbegin(), records.cend(),
                                    [&id](const Record &record) { return record.id == id; });
    return found == records.cend() ? nullptr : &*found;
}

} // namespace

bool VHPrimaryData::initModelTags()
{
    const FailureScope scope(d->m_lastError);
    QList<VHModelTagType> types;
    const bool typesRead = ModelService::getModelTagTypes(types);
    // The project's default types lead; the others keep the server's order.
    std::stable_partition(types.begin(), types.end(),
                          [](const VHModelTagType &type) { return type.isDefault; });
    QList<VHModelTag> tags;
    const bool tagsRead = ModelService::getModelTags(tags);
    for (VHModelTagType &type : types) {
        for (const VHModelTag &tag : qAsConst(tags)) {
            if (tag.type == type.id)
                type.tags.append(tag);
        }
    }
    // Whatever arrived replaces the old state, so a failed read shows as
    // missing tags that the next lazy look-up asks for again.
    d->m_modelTags = tags;
    d->m_modelTagTypes = types;
    d->m_tagTypeByTagId.clear();
    d->m_tagNameByTagId.clear();
    for (const VHModelTag &tag : qAsConst(tags)) {
        d->m_tagTypeByTagId.insert(tag.id, tag.type);
        d->m_tagNameByTagId.insert(tag.id, tag.name);
    }
    return typesRead && tagsRead;
}

void VHPrimaryData::fillModelMapModelTag(VHModel &model)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_tagTypeByTagId.isEmpty())
        initModelTags();
    // A tag no loaded tag knows is entered with the empty type, under which
    // all such tags of the model meet.
    for (const QString &tagId : qAsConst(model.tags))
        model.mapModelTag.insert(d->m_tagTypeByTagId[tagId], tagId);
}

bool VHPrimaryData::getModelTagTypes(QList<VHModelTagType> &types)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_modelTagTypes.isEmpty())
        initModelTags();
    types = d->m_modelTagTypes;
    return true;
}

bool VHPrimaryData::getModelTags(QList<VHModelTag> &tags)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_modelTags.isEmpty())
        initModelTags();
    tags = d->m_modelTags;
    return true;
}

bool VHPrimaryData::getModelTagById(const QString &id, VHModelTag &tag)
{
    const FailureScope scope(d->m_lastError);
    if (d->m_modelTags.isEmpty())
        initModelTags();
    const VHModelTag *found = findById(d->m_modelTags, id);
    if (!found)
        return false;
    tag = *found;
    return true;
}

bool VHPrimaryData::getModeTagTypeById(const QString &id, VHModelTagType &type)
{
    const FailureScope scope(d->m_lastError);
    const VHModelTagType *found = findById(d->m_modelTagTypes, id);
    if (!found)
        return false;
    type = *found;
    return true;
}

QString VHPrimaryData::getModelTagNameById(const QString &id) const
{
    return d->m_tagNameByTagId.value(id);
}

bool VHPrimaryData::initModelAuth()
{
    const FailureScope scope(d->m_lastError);
    return ModelService::initModelAuth(d->m_canEditModel, d->m_tagEditRights);
}

bool VHPrimaryData::canEditModel()
{
    const FailureScope scope(d->m_lastError);
    return d->m_canEditModel;
}

bool VHPrimaryData::canEditTagModel(const QStringList &tagIds)
{
    const FailureScope scope(d->m_lastError);
    // Every tag with a recorded right must allow editing; tags without one do
    // not restrict.
    bool allowed = true;
    for (const QString &tagId : tagIds) {
        const auto right = d->m_tagEditRights.constFind(tagId);
        if (right != d->m_tagEditRights.constEnd())
            allowed = allowed && *right;
    }
    return allowed && d->m_canEditModel;
}
