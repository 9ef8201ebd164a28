#ifndef VHPD_PROJECTS_ACCOUNTSERVICE_H
#define VHPD_PROJECTS_ACCOUNTSERVICE_H

#include "VHProjectTypes.h"
#include "VHUser.h"

#include <QList>
#include <QString>

// Project, member and organisation requests of the account service. Lists
// are appended to in reply order unless noted; every function but the name
// look-ups returns transport success.
namespace AccountService {

// Projects.
bool getProjects(QList<VHProject> &projects);
bool getProjectRangeCount(const VHProjectCondition &condition, int &count);
bool getProjectRangeData(const VHProjectCondition &condition, int skip, int limit,
                         QList<VHProject> &projects);
bool getProjectById(const QString &projectId, VHProject &project);
// Sends the name, description and location; `project` receives the server's
// record of the new project.
bool createProject(VHProject &project);
bool enterProject();
// False only when the server answers with code 206 (not enough room); the
// transport's verdict is not consulted.
bool getProjectCapacityEnough(qint64 size);

// Members, invitations and requests.
bool getProjectMembers(const QString &projectId, QList<VHUser> &members);
bool getInviteColleagueLink(const QString &projectId, QString &link);
bool getRequestsById(const QString &requestId, VHMemRequest &request);
// `code` receives the service's verdict, also after a failure.
bool passInvitation(const QString &requestId, const Approved &approved, int &code);
bool rejectInvitation(const QString &requestId);

// Organisation. Circles and enterprises empty the list first.
bool getProjectCircles(QList<VHCircle> &circles);
bool getProjectEnterprises(QList<VHEnterprise> &enterprises);
bool getStructures(QList<VHStructure> &structures);
bool getDomain(QList<VHDomain> &domains);
bool getSpecies(QList<VHSpecies> &species);
bool getSubcontract(QList<VHSubcontract> &subcontracts);
// The name the server gives; empty when it has none or the request failed.
QString getSpeciesNameById(const QString &speciesId);
QString getSubcontractNameById(const QString &subcontractId);

// Project configuration. Module groups empty the list first.
bool getProjectEncodePair(QList<VHEncodePair> &pairs);
bool getProjectEncodeRule(QList<VHEncodeRule> &rules);
bool getModule(QList<VHModule> &modules);
bool getModuleGroup(QList<VHModuleGroup> &groups);

} // namespace AccountService

#endif // VHPD_PROJECTS_ACCOUNTSERVICE_H
