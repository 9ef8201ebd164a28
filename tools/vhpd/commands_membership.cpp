// Changes to projects and their membership: creating a project, answering
// membership requests and verifying a user for a host.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

namespace {

void declareProjectCreate(Options &parser)
{
    addOption(parser, "description", "What the project is about.", "text");
    addOption(parser, "location", "Where the project lies.", "text");
    addOption(parser, "province", "Province of the site.", "name");
    addOption(parser, "city", "City of the site.", "name");
}

int projectCreate(Context &context)
{
    VHProject project;
    project.name = context.argument(0);
    project.description = context.value("description");
    project.location = context.value("location");
    project.province = context.value("province");
    project.city = context.value("city");
    if (!context.data().createProject(project))
        return context.fail(QStringLiteral("cannot create the project %1").arg(project.name));
    return context.report(QStringLiteral("Created project %1 (%2).").arg(project.name, project.id),
                          toJson(project));
}

// Loads the members the library keeps for the project and lists them.
int membersLoad(Context &context)
{
    context.data().initProjectMembers();
    QList<VHUser> users;
    context.data().getUsers(users, false);
    return context.showRows("members", {{"Name", "name"}, {"Nickname", "nickName"}, {"Id", "id"}},
                            toJsonArray(users));
}

void declarePass(Options &parser)
{
    addOption(parser, "remark", "Remark on the decision.", "text");
    addOption(parser, "position", "Position of the new member.", "position-id");
    addOption(parser, "structure", "Where the new member is placed.", "structure-id");
}

int memberPass(Context &context)
{
    Approved approved;
    approved.remark = context.value("remark");
    approved.positionId = context.value("position");
    approved.structureId = context.value("structure");
    int code = 0;
    if (!context.data().passInvitation(context.argument(0), approved, code))
        return context.fail(
            QStringLiteral("cannot accept the request %1").arg(context.argument(0)));
    return context.report(
        QStringLiteral("Accepted request %1 (verdict %2).").arg(context.argument(0)).arg(code),
        {{QStringLiteral("id"), context.argument(0)}, {QStringLiteral("code"), code}});
}

int memberReject(Context &context)
{
    if (!context.data().rejectInvitation(context.argument(0)))
        return context.fail(
            QStringLiteral("cannot reject the request %1").arg(context.argument(0)));
    return context.report(QStringLiteral("Rejected request %1.").arg(context.argument(0)),
                          {{QStringLiteral("id"), context.argument(0)}});
}

// The host is a project, by id or name; the user a member's name or any id.
int verifyUser(Context &context)
{
    int type = 0;
    if (!context.intArgument(2, type))
        return ExitUsage;
    QString host = context.argument(0);
    if (!looksLikeId(host)) {
        VHProject project;
        if (const int status = findProject(context, host, project))
            return status;
        host = project.id;
    }
    VHUser user;
    if (const int status = findUser(context, context.argument(1), user))
        return status;
    if (!context.data().verifyUser(host, user.id, type))
        return context.fail(QStringLiteral("the host did not verify %1").arg(user.id));
    return context.report(
        QStringLiteral("Verified %1.").arg(user.id),
        {{QStringLiteral("verified"), true}, {QStringLiteral("userId"), user.id}});
}

} // namespace

QList<Command> membershipCommands()
{
    return {
        {"project-create", "<name>", "Create a project.", Needs::Login, 1, 1, declareProjectCreate,
         projectCreate, Group::Projects, "vhpd project-create \"Harbour Annex\" --city Shenzhen",
         "project"},
        {"members-load", "", "Load the current project's members into the library and list them.",
         Needs::Project, 0, 0, nullptr, membersLoad, Group::Members, "vhpd members-load", "[user]"},
        {"member-accept", "<request-id>", "Accept a membership request.", Needs::Project, 1, 1,
         declarePass, memberPass, Group::Members,
         "vhpd member-accept REQUEST-ID --structure STRUCTURE-ID", "{\"id\", \"code\"}",
         "member-pass"},
        {"member-reject", "<request-id>", "Reject a membership request.", Needs::Project, 1, 1,
         nullptr, memberReject, Group::Members, "vhpd member-reject 675946805e17ab1c0d3a5c6a",
         "{\"id\"}"},
        {"user-verify", "<host> <user> <type>", "Ask whether a host (a project) verifies a user.",
         Needs::Login, 3, 3, nullptr, verifyUser, Group::Members,
         "vhpd user-verify riverside sarah.okafor 0", "{\"verified\": true, \"userId\"}",
         "verify-user"},
    };
}
