#include "VHSoftBase.h"

VHSoftCache::VHSoftCache() = default;
VHSoftCache::~VHSoftCache() = default;

QString VHSoftCache::serverAddress() const
{
    return m_serverAddress;
}

QString VHSoftCache::currentUserId() const
{
    return m_currentUserId;
}

QString VHSoftCache::currentProjectId() const
{
    return m_currentProjectId;
}

QStringList VHSoftCache::currentModelIds() const
{
    return m_currentModelIds;
}

void VHSoftCache::setServerAddress(const QString &address)
{
    m_serverAddress = address;
}

void VHSoftCache::setCurrentUserId(const QString &userId)
{
    m_currentUserId = userId;
}

void VHSoftCache::setCurrentProjectId(const QString &projectId)
{
    m_currentProjectId = projectId;
}

void VHSoftCache::setCurrentModelIds(const QStringList &modelIds)
{
    m_currentModelIds = modelIds;
}

namespace {

VHSoftCache *g_installed = nullptr;

VHSoftCache &builtInCache()
{
    static VHSoftCache cache;
    return cache;
}

} // namespace

VHSoftCache *GetSoftCache()
{
    return g_installed ? g_installed : &builtInCache();
}

void SetSoftCache(VHSoftCache *cache)
{
    g_installed = cache;
}
