#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/requestframe.h"
#include "core/vhprimarydata_p.h"
#include "projects/accountservice.h"

bool VHPrimaryData::getProjects(QList<VHProject> &projects)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjects(projects);
}

bool VHPrimaryData::getProjectRangeCount(const VHProjectCondition &condition, int &count)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjectRangeCount(condition, count);
}

bool VHPrimaryData::getProjectRangeData(const VHProjectCondition &condition, int skip, int limit,
                                        QList<VHProject> &projects)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjectRangeData(condition, skip, limit, projects);
}

bool VHPrimaryData::getProjectById(const QString &projectId, VHProject &project)
{
    const FailureScope scope(d->m_lastError);
    if (!AccountService::getProjectById(projectId, project))
        return false;
    // Remembered under the id the caller asked for, which is the one the
    // current-project look-up will ask for again.
    d->m_projects.insert(projectId, project);
    return true;
}

bool VHPrimaryData::createProject(VHProject &project)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::createProject(project);
}

bool VHPrimaryData::enterProject()
{
    const FailureScope scope(d->m_lastError);
    return AccountService::enterProject();
}

bool VHPrimaryData::getProjectCapacityEnough(qint64 size)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getProjectCapacityEnough(size);
}

void VHPrimaryData::getCurrentProjectInfo(VHProject &project)
{
    const FailureScope scope(d->m_lastError);
    // A miss leaves a default entry behind; its empty id makes the next call
    // ask the server again until a load succeeds.
    project = d->m_projects[RequestFrame::currentProjectId()];
    if (!project.id.isEmpty())
        return;
    const QString projectId = RequestFrame::currentProjectId();
    if (AccountService::getProjectById(projectId, project))
        d->m_projects.insert(projectId, project);
}
