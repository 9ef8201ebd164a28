// Projects: listing and searching them, choosing the current one, and its
// members and membership requests.
#include "context.h"
#include "lookup.h"
#include "records.h"

#include <VHPrimaryData.h>
#include <VHSoftBase.h>

namespace {

const QList<Column> kProjectColumns = {
    {"Name", "name"}, {"Short", "sortName"}, {"Location", "location"}, {"Id", "id"}};

// Searches page by page.
constexpr int kSearchPageSize = 20;

void declareProjects(Options &parser)
{
    addOption(parser, "search",
              "Search all projects for these words in names, descriptions and "
              "places, a page at a time.",
              "words");
    addOption(parser, "status", "Search for projects of this status.", "n");
    addOption(parser, "enterprise", "Search for projects of this enterprise (id or name).",
              "enterprise");
    addOption(parser, "circle", "Search for projects of this circle (id or name).", "circle");
}

// One page of the search of all projects.
int searchProjects(Context &context)
{
    VHProjectCondition condition;
    int page = 1;
    int pageSize = 0;
    if (!context.intValue("status", -1, -1, condition.status) ||
        !context.paging(page, pageSize, kSearchPageSize))
        return ExitUsage;
    if (context.isSet("enterprise") && context.isSet("circle"))
        return context.usage(QStringLiteral("give --enterprise or --circle, not both"));
    condition.words = context.value("search");
    for (const bool circle : {false, true}) {
        const char *option = circle ? "circle" : "enterprise";
        if (!context.isSet(option))
            continue;
        condition.ownerType = circle ? 1 : 0;
        if (const int status =
                findOrganisation(context, context.value(option), circle, condition.ownerId))
            return status;
    }

    int count = 0;
    QList<VHProject> projects;
    if (!context.data().getProjectRangeCount(condition, count))
        return context.fail(QStringLiteral("the project search failed"));
    if (const int status = context.checkPage(count, page, pageSize, "projects"))
        return status;
    if (!context.data().getProjectRangeData(condition, (page - 1) * pageSize, pageSize, projects))
        return context.fail(QStringLiteral("the project search failed"));
    return context.showPage(count, page, pageSize, "projects", kProjectColumns,
                            toJsonArray(projects));
}

// The user's projects, or a search of all projects when a filter is given.
int projects(Context &context)
{
    if (context.isSet("search") || context.isSet("status") || context.isSet("enterprise") ||
        context.isSet("circle"))
        return searchProjects(context);
    QList<VHProject> projects;
    if (!context.data().getProjects(projects))
        return context.fail(QStringLiteral("cannot list your projects"));
    return context.showRows("projects", kProjectColumns, toJsonArray(projects));
}

// Makes a project the current one: the server hears that the user enters it,
// and later invocations work in it.
int enter(Context &context)
{
    VHProject project;
    if (const int status = findProject(context, context.argument(0), project))
        return status;
    GetSoftCache()->setCurrentProjectId(project.id);
    if (!context.data().enterProject())
        return context.fail(
            QStringLiteral("the server did not let you enter %1").arg(project.name));
    context.session.projectId = project.id;
    context.session.projectName = project.name;
    if (const int status = context.saveSession())
        return status;
    context.out.text(QStringLiteral("Current project: %1 (%2)").arg(project.name, project.id));
    if (context.out.isJson())
        context.out.json(toJson(project));
    return ExitOk;
}

int project(Context &context)
{
    VHProject project;
    if (context.argument(0).isEmpty()) {
        if (context.session.projectId.isEmpty())
            return context.usage(QStringLiteral("no current project; give a project id"));
        context.data().getCurrentProjectInfo(project);
        if (project.id.isEmpty())
            return context.fail(QStringLiteral("cannot read the current project %1")
                                    .arg(context.session.projectId));
    } else if (const int status = findProject(context, context.argument(0), project)) {
        return status;
    }
    QJsonObject object = toJson(project);
    Names &names = context.names();
    for (const char *key : {"enterpriseId", "circleId"})
        names.addOrganisation(object, key);
    for (const char *key : {"adminIds", "createdBy", "updatedBy"})
        names.addUser(object, key);
    context.out.record({{"Name", "name"},
                        {"Short name", "sortName"},
                        {"Description", "description"},
                        {"Location", "location"},
                        {"City", "city"},
                        {"Status", "status"},
                        {"Starts", "startAt"},
                        {"Ends", "endAt"},
                        {"Expires", "expireAt"},
                        {"Created", "createdAt"},
                        {"Created by", "createdByName"},
                        {"Administrators", "adminNames"},
                        {"Enterprise", "enterpriseName"},
                        {"Circle", "circleName"},
                        {"Id", "id"}},
                       object);
    return ExitOk;
}

// The current project's members, with the name of their place in the
// project's structure.
int members(Context &context)
{
    QList<VHUser> users;
    context.data().getUsers(users, true);
    if (users.isEmpty())
        return context.fail(QStringLiteral("cannot list the members of the project"));
    QJsonArray rows;
    for (const VHUser &user : users) {
        QJsonObject row = toJson(user);
        const QString structure = context.data().getStructureName(user.structureId);
        row.insert(QStringLiteral("structureName"),
                   structure.isEmpty() ? user.structureId : structure);
        rows.append(row);
    }
    return context.showRows("members",
                            {{"Name", "name"},
                             {"Nickname", "nickName"},
                             {"Phone", "phoneNumber"},
                             {"Structure", "structureName"},
                             {"Id", "id"}},
                            rows);
}

int inviteLink(Context &context)
{
    const QString link = context.data().getInviteColleagueLink();
    if (link.isEmpty())
        return context.fail(QStringLiteral("the server gave no invitation link"));
    context.out.text(link);
    if (context.out.isJson())
        context.out.json(QJsonObject{{QStringLiteral("link"), link}});
    return ExitOk;
}

int request(Context &context)
{
    VHMemRequest request;
    if (!context.data().getRequestsById(context.argument(0), request) || request.id.isEmpty())
        return context.fail(QStringLiteral("no membership request %1").arg(context.argument(0)));
    QJsonObject object = toJson(request);
    for (const char *key : {"invitedBy", "createdBy", "approvedBy"})
        context.names().addUser(object, key);
    const QString project = context.names().project(request.hostId);
    object.insert(QStringLiteral("hostName"), project.isEmpty() ? request.hostId : project);
    context.out.record({{"User", "user.name"},
                        {"User id", "userId"},
                        {"Project", "hostName"},
                        {"Status", "status", CellFormat::RequestStatus},
                        {"Invited by", "invitedByName"},
                        {"Approved by", "approvedByName"},
                        {"Remark", "approvedData.remark"},
                        {"Id", "id"}},
                       object);
    return ExitOk;
}

} // namespace

QList<Command> projectCommands()
{
    return {
        {"projects", "", "List your projects, or search all projects page by page.", Needs::Login,
         0, 0, declareProjects, projects, Group::Projects,
         "vhpd projects\n"
         "vhpd projects --search hospital --page 2",
         "[project]"},
        {"enter", "<project>", "Make a project (id or part of its name) the current one.",
         Needs::Login, 1, 1, nullptr, enter, Group::Session, "vhpd enter riverside", "project"},
        {"project", "[project]", "Show a project (id or name); the current one by default.",
         Needs::Login, 0, 1, nullptr, project, Group::Projects,
         "vhpd project\n"
         "vhpd project \"Lakeview Primary\"",
         "project +enterpriseName +circleName +adminNames +createdByName +updatedByName"},
        {"members", "", "List the members of the current project.", Needs::Project, 0, 0, nullptr,
         members, Group::Members, "vhpd members", "[user +structureName]"},
        {"invite-link", "", "Show the link that invites a colleague to the current project.",
         Needs::Project, 0, 0, nullptr, inviteLink, Group::Members, "vhpd invite-link",
         "{\"link\"}"},
        {"member-request", "<request-id>", "Show a membership request.", Needs::Login, 1, 1,
         nullptr, request, Group::Members, "vhpd member-request 675946805e17ab1c0d3a5c6a",
         "request +hostName +invitedByName +createdByName +approvedByName", "request"},
    };
}
