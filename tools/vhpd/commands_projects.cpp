// Projects: listing and searching them, choosing the current one, and its
// members and membership requests.
#include "context.h"
#include "records.h"

#include <VHPrimaryData.h>
#include <VHSoftBase.h>

#include <QCommandLineParser>

namespace {

const QList<Column> kProjectColumns = {
    {"Name", "name"}, {"Short", "sortName"}, {"Location", "location"}, {"Id", "id"}};

void declareProjects(QCommandLineParser &parser)
{
    addOption(parser, "search", "Words to look for in names, descriptions and places.", "words");
    addOption(parser, "status", "Only projects of this status.", "n");
    addOption(parser, "enterprise", "Only projects of this enterprise.", "id");
    addOption(parser, "circle", "Only projects of this circle.", "id");
    addPagingOptions(parser);
}

// The user's projects, or one page of a project search when a filter or a
// page is asked for.
int projects(Context &context)
{
    const bool search = context.isSet("search") || context.isSet("status") ||
                        context.isSet("enterprise") || context.isSet("circle") ||
                        context.isSet("page") || context.isSet("page-size");
    if (!search) {
        QList<VHProject> projects;
        if (!context.data().getProjects(projects))
            return context.fail(QStringLiteral("cannot list your projects"));
        context.out.list(kProjectColumns, toJsonArray(projects), QStringLiteral("No projects."));
        return ExitOk;
    }

    VHProjectCondition condition;
    int page = 1;
    int pageSize = 0;
    if (!context.intValue("status", -1, -1, condition.status) || !context.paging(page, pageSize))
        return ExitUsage;
    if (context.isSet("enterprise") && context.isSet("circle"))
        return context.usage(QStringLiteral("give --enterprise or --circle, not both"));
    condition.words = context.value("search");
    if (context.isSet("enterprise")) {
        condition.ownerType = 0;
        condition.ownerId = context.value("enterprise");
    } else if (context.isSet("circle")) {
        condition.ownerType = 1;
        condition.ownerId = context.value("circle");
    }

    int count = 0;
    QList<VHProject> projects;
    if (!context.data().getProjectRangeCount(condition, count) ||
        !context.data().getProjectRangeData(condition, (page - 1) * pageSize, pageSize, projects))
        return context.fail(QStringLiteral("the project search failed"));
    return context.showPage(count, page, pageSize, "projects", kProjectColumns,
                            toJsonArray(projects));
}

// Finds the project that `text` names: an id, or the whole or a unique part
// of a name of one of the user's projects.
int resolveProject(Context &context, const QString &text, VHProject &found)
{
    QList<VHProject> projects;
    if (!context.data().getProjects(projects))
        return context.fail(QStringLiteral("cannot list your projects"));
    const int picked = context.pick(projects, text, "projects", found);
    if (picked != ExitFailed)
        return picked;
    if (context.data().getProjectById(text, found) && !found.id.isEmpty())
        return ExitOk;
    return context.fail(QStringLiteral("no project matches \"%1\"").arg(text));
}

// Makes a project the current one: the server hears that the user enters it,
// and later invocations work in it.
int enter(Context &context)
{
    VHProject project;
    if (const int status = resolveProject(context, context.argument(0), project))
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
    } else if (!context.data().getProjectById(context.argument(0), project) ||
               project.id.isEmpty()) {
        return context.fail(QStringLiteral("no project %1").arg(context.argument(0)));
    }
    context.out.record({{"Name", "name"},
                        {"Short name", "sortName"},
                        {"Description", "description"},
                        {"Location", "location"},
                        {"City", "city"},
                        {"Status", "status"},
                        {"Starts", "startAt"},
                        {"Ends", "endAt"},
                        {"Expires", "expireAt"},
                        {"Created", "createAt"},
                        {"Administrators", "adminIds"},
                        {"Enterprise", "enterpriseId"},
                        {"Circle", "circleId"},
                        {"Id", "id"}},
                       toJson(project));
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
        row.insert(QStringLiteral("structure"), context.data().getStructureName(user.structureId));
        rows.append(row);
    }
    context.out.list({{"Name", "name"},
                      {"Nickname", "nickName"},
                      {"Phone", "phoneNumber"},
                      {"Structure", "structure"},
                      {"Id", "id"}},
                     rows);
    return ExitOk;
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
    if (!context.data().getRequestsById(context.argument(0), request))
        return context.fail(QStringLiteral("no membership request %1").arg(context.argument(0)));
    context.out.record({{"User", "user.name"},
                        {"User id", "userId"},
                        {"Project", "hostId"},
                        {"Status", "status"},
                        {"Invited by", "invitedBy"},
                        {"Approved by", "approvedBy"},
                        {"Id", "id"}},
                       toJson(request));
    return ExitOk;
}

} // namespace

QList<Command> projectCommands()
{
    return {
        {"projects", "", "List your projects, or search all projects page by page.", Needs::Login,
         0, 0, declareProjects, projects},
        {"enter", "<project>", "Make a project (id or part of its name) the current one.",
         Needs::Login, 1, 1, nullptr, enter},
        {"project", "[project-id]", "Show a project; the current one by default.", Needs::Login, 0,
         1, nullptr, project},
        {"members", "", "List the members of the current project.", Needs::Project, 0, 0, nullptr,
         members},
        {"invite-link", "", "Show the link that invites a colleague to the current project.",
         Needs::Project, 0, 0, nullptr, inviteLink},
        {"request", "<request-id>", "Show a membership request.", Needs::Login, 1, 1, nullptr,
         request},
    };
}
