#include "accountservice.h"

#include "core/requestframe.h"
#include "projects/configurationcodec.h"
#include "projects/membercodec.h"
#include "projects/organisationcodec.h"
#include "projects/projectcodec.h"

using namespace RequestFrame;

namespace {

// The "name" of the unit the account service keeps at `path`; empty when it
// has none or the exchange failed, whatever an error body says.
QString nameAt(const QString &path)
{
    const Exchange reply = Exchange::get(path);
    if (!reply.isSuccessful())
        return QString();
    return reply.object().value(QLatin1String("name")).toString();
}

} // namespace

namespace AccountService {

bool getProjects(QList<VHProject> &projects)
{
    return Exchange::get(url(Service::Account, "projects?expand=true"))
        .appendList(projects, parseProject);
}

bool getProjectRangeCount(const VHProjectCondition &condition, int &count)
{
    const Exchange reply = Exchange::get(url(Service::Account, "projects?where=%1&only_count=true",
                                             projectConditionToWhere(condition)));
    count = reply.object().value(QLatin1String("count")).toInt(0);
    return reply.isSuccessful();
}

bool getProjectRangeData(const VHProjectCondition &condition, int skip, int limit,
                         QList<VHProject> &projects)
{
    return Exchange::get(url(Service::Account, "projects?where=%1&skip=%2&limit=%3",
                             projectConditionToWhere(condition), skip, limit))
        .appendList(projects, parseProject);
}

bool getProjectById(const QString &projectId, VHProject &project)
{
    return Exchange::get(url(Service::Account, "projects/%1?expand=true", projectId))
        .readObject(project, parseProject);
}

bool createProject(VHProject &project)
{
    return Exchange::post(url(Service::Account, "projects"), projectToJson(project))
        .readObject(project, parseProject);
}

bool enterProject()
{
    return Exchange::put(url(Service::Account, "projects/%1/enter", currentProjectId()),
                         QJsonObject())
        .isSuccessful();
}

bool getProjectCapacityEnough(qint64 size)
{
    const Exchange reply =
        Exchange::get(url(Service::Account, "projects/%1/used_capacity?check=true&size=%2",
                          currentProjectId(), size));
    return reply.object().value(QLatin1String("code")).toInt(0) != 206;
}

bool getProjectMembers(const QString &projectId, QList<VHUser> &members)
{
    return Exchange::get(url(Service::Account, "projects/%1/members?expand=true", projectId))
        .appendList(members, parseProjectMember);
}

bool getInviteColleagueLink(const QString &projectId, QString &link)
{
    QJsonObject body;
    body.insert(QStringLiteral("hostId"), projectId);
    body.insert(QStringLiteral("type"), 0);
    const Exchange reply = Exchange::post(url(Service::Account, "member_invitations"), body);
    link = reply.object().value(QLatin1String("qrCode")).toString();
    return reply.isSuccessful();
}

bool getRequestsById(const QString &requestId, VHMemRequest &request)
{
    return Exchange::get(url(Service::Account, "member_requests/%1?expand=true", requestId))
        .readObject(request, parseMemRequest);
}

bool passInvitation(const QString &requestId, const Approved &approved, int &code)
{
    QJsonObject body;
    body.insert(QStringLiteral("remark"), approved.remark);
    body.insert(QStringLiteral("structureId"), approved.structureId);
    const Exchange reply =
        Exchange::put(url(Service::Account, "member_requests/%1/pass", requestId), body);
    code = reply.object().value(QLatin1String("code")).toInt(0);
    return reply.isSuccessful();
}

bool rejectInvitation(const QString &requestId)
{
    return Exchange::put(url(Service::Account, "member_requests/%1/reject", requestId),
                         QJsonObject())
        .isSuccessful();
}

bool getProjectCircles(QList<VHCircle> &circles)
{
    circles.clear();
    return Exchange::get(url(Service::Account, "circles")).appendList(circles, parseCircle);
}

bool getProjectEnterprises(QList<VHEnterprise> &enterprises)
{
    enterprises.clear();
    return Exchange::get(url(Service::Account, "enterprises"))
        .appendList(enterprises, parseEnterprise);
}

bool getStructures(QList<VHStructure> &structures)
{
    return Exchange::get(
               url(Service::Account, "projects/%1/structures?order=createdAt", currentProjectId()))
        .appendList(structures, parseStructure);
}

bool getDomain(QList<VHDomain> &domains)
{
    return Exchange::get(url(Service::Account, "projects/%1/domains", currentProjectId()))
        .appendList(domains, parseIdAndName<VHDomain>);
}

bool getSpecies(QList<VHSpecies> &species)
{
    return Exchange::get(url(Service::Account, "projects/%1/species", currentProjectId()))
        .appendList(species, parseIdAndName<VHSpecies>);
}

bool getSubcontract(QList<VHSubcontract> &subcontracts)
{
    return Exchange::get(url(Service::Account, "projects/%1/subcontracts", currentProjectId()))
        .appendList(subcontracts, parseIdAndName<VHSubcontract>);
}

QString getSpeciesNameById(const QString &speciesId)
{
    return nameAt(url(Service::Account, "species/%1", speciesId));
}

QString getSubcontractNameById(const QString &subcontractId)
{
    return nameAt(url(Service::Account, "subcontracts/%1", subcontractId));
}

bool getProjectEncodePair(QList<VHEncodePair> &pairs)
{
    return Exchange::get(url(Service::Account, "projects/%1/encodingpairs", currentProjectId()))
        .appendList(pairs, parseEncodePair);
}

bool getProjectEncodeRule(QList<VHEncodeRule> &rules)
{
    return Exchange::get(url(Service::Account, "projects/%1/encodingrules", currentProjectId()))
        .appendList(rules, parseEncodeRule);
}

bool getModule(QList<VHModule> &modules)
{
    return Exchange::get(
               url(Service::Account, "projects/%1/modules?authorized=all", currentProjectId()))
        .appendList(modules, parseModule);
}

bool getModuleGroup(QList<VHModuleGroup> &groups)
{
    groups.clear();
    return Exchange::get(url(Service::Account, "module_groups?device=pc"))
        .appendList(groups, parseModuleGroup);
}

} // namespace AccountService
