#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/requestframe.h"
#include "core/vhprimarydata_p.h"
#include "projects/accountservice.h"

void VHPrimaryData::getUsers(QList<VHUser> &users, bool refresh)
{
    const FailureScope scope(d->m_lastError);
    // An empty member list is never taken for a loaded one.
    if (refresh || d->m_projectMembers.isEmpty())
        initProjectMembers();
    users = d->m_projectMembers;
}

void VHPrimaryData::initProjectMembers()
{
    const FailureScope scope(d->m_lastError);
    d->m_projectMembers.clear();
    AccountService::getProjectMembers(RequestFrame::currentProjectId(), d->m_projectMembers);
}

QString VHPrimaryData::getInviteColleagueLink()
{
    const FailureScope scope(d->m_lastError);
    QString link;
    if (!AccountService::getInviteColleagueLink(RequestFrame::currentProjectId(), link))
        return QString();
    return link;
}

bool VHPrimaryData::getRequestsById(const QString &requestId, VHMemRequest &request)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::getRequestsById(requestId, request);
}

bool VHPrimaryData::passInvitation(const QString &requestId, const Approved &approved, int &code)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::passInvitation(requestId, approved, code);
}

bool VHPrimaryData::rejectInvitation(const QString &requestId)
{
    const FailureScope scope(d->m_lastError);
    return AccountService::rejectInvitation(requestId);
}
