// Projects: listing, search, creation, entry and capacity; members, invitations
// and membership requests.
#include "listing.h"
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const QString kProjects = QStringLiteral("projects");
const QString kMembers = QStringLiteral("members");
const QString kRequests = QStringLiteral("member_requests");
const QString kId = QStringLiteral("_id");

constexpr qint64 kNewProjectCapacity = qint64(10) * 1024 * 1024 * 1024;

enum RequestStatus { Waiting = 0, Passed = 1, Rejected = 2 };

QJsonObject memberOf(const Store &store, const QString &projectId, const QString &userId)
{
    return store.first(kMembers, [&](const QJsonObject &member) {
        return member.value(QLatin1String("projectId")).toString() == projectId &&
               member.value(QLatin1String("userId")).toString() == userId;
    });
}

QJsonObject projectView(const Store &store, QJsonObject project, const ApiRequest &request)
{
    project.remove(QStringLiteral("capacity"));
    if (!request.flag(QStringLiteral("expandPayment")))
        project.remove(QStringLiteral("payment"));
    if (request.flag(QStringLiteral("expand")))
        project.insert(
            QStringLiteral("memberCount"),
            store.selectBy(kMembers, QStringLiteral("projectId"), project.value(kId).toString())
                .size());
    return project;
}

// The user's projects, the ones entered most recently first, then the newest.
QList<QJsonObject> projectsOf(const Store &store, const QString &userId)
{
    QList<QPair<QString, QJsonObject>> ranked;
    for (const QJsonObject &member : store.selectBy(kMembers, QStringLiteral("userId"), userId)) {
        const QJsonObject project =
            store.byId(kProjects, member.value(QLatin1String("projectId")).toString());
        if (!project.isEmpty())
            ranked.append({member.value(QLatin1String("enteredAt")).toString(), project});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) {
        if (a.first != b.first)
            return a.first > b.first;
        return a.second.value(QLatin1String("createAt")).toString() >
               b.second.value(QLatin1String("createAt")).toString();
    });
    QList<QJsonObject> projects;
    for (const auto &entry : ranked)
        projects.append(entry.second);
    return projects;
}

bool containsWords(const QJsonObject &project, const QString &words)
{
    for (const char *key : {"name", "sortName", "description", "location", "code"}) {
        if (project.value(QLatin1String(key)).toString().contains(words, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

ApiReply listProjects(const Store &store, const ApiRequest &request)
{
    QList<QJsonObject> projects = projectsOf(store, request.userId);
    if (request.query.contains(QStringLiteral("where"))) {
        ApiReply failure;
        QJsonObject where;
        if (!Listing::readQuery(request, QStringLiteral("where"), where, failure))
            return failure;
        // "words" is free text over the project's names and place, not a field.
        const QString words = where.take(QStringLiteral("words")).toString();
        // An owner id sent as both "enterpriseId" and "circleId" asks for the
        // projects of that enterprise or of that circle.
        const QJsonValue enterprise = where.value(QLatin1String("enterpriseId"));
        if (enterprise.isString() && where.value(QLatin1String("circleId")) == enterprise) {
            where.remove(QStringLiteral("enterpriseId"));
            where.remove(QStringLiteral("circleId"));
            const QJsonObject owner{
                {QStringLiteral("$or"),
                 QJsonArray{QJsonObject{{QStringLiteral("enterpriseId"), enterprise}},
                            QJsonObject{{QStringLiteral("circleId"), enterprise}}}}};
            where = QJsonObject{{QStringLiteral("$and"), QJsonArray{where, owner}}};
        }
        projects = Listing::filter(projects, where);
        if (!words.isEmpty())
            projects.erase(std::remove_if(projects.begin(), projects.end(),
                                          [&](const QJsonObject &project) {
                                              return !containsWords(project, words);
                                          }),
                           projects.end());
    }
    return Listing::page(request, projects, [&](const QJsonObject &project) {
        return projectView(store, project, request);
    });
}

ApiReply createProject(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString name = body.value(QLatin1String("name")).toString().trimmed();
    if (name.isEmpty())
        return ApiReply::badRequest(QStringLiteral("a project needs a name"));
    const QString now = timestampNow();
    const QString user = request.userId;
    QJsonObject project{
        {QStringLiteral("name"), name},
        {QStringLiteral("sortName"), QString()},
        {QStringLiteral("description"), body.value(QLatin1String("description")).toString()},
        {QStringLiteral("location"), body.value(QLatin1String("location")).toString()},
        {QStringLiteral("enterpriseId"), QString()},
        {QStringLiteral("circleId"), QString()},
        {QStringLiteral("paymentId"), QString()},
        {QStringLiteral("pictures"), QJsonArray()},
        {QStringLiteral("address"), QJsonObject{{QStringLiteral("state"), QString()},
                                                {QStringLiteral("province"), QString()},
                                                {QStringLiteral("city"), QString()},
                                                {QStringLiteral("area"), QString()},
                                                {QStringLiteral("road"), QString()}}},
        {QStringLiteral("adminIds"), QJsonArray{user}},
        {QStringLiteral("status"), 1},
        {QStringLiteral("platforms"), QJsonArray{QStringLiteral("pc")}},
        {QStringLiteral("duration"), 0},
        {QStringLiteral("startAt"), now},
        {QStringLiteral("createAt"), now},
        {QStringLiteral("createBy"), user},
        {QStringLiteral("updateAt"), now},
        {QStringLiteral("updateBy"), user},
        {QStringLiteral("capacity"), double(kNewProjectCapacity)}};
    project = store.insert(kProjects, project);
    const QString projectId = project.value(kId).toString();
    const QJsonObject root =
        store.insert(QStringLiteral("structures"),
                     QJsonObject{{QStringLiteral("name"), name},
                                 {QStringLiteral("hostId"), projectId},
                                 {QStringLiteral("parentId"), QString()},
                                 {QStringLiteral("authTemplateId"), QStringLiteral("auth-admin")},
                                 {QStringLiteral("type"), 0},
                                 {QStringLiteral("level"), 0},
                                 {QStringLiteral("createdAt"), now}});
    store.insert(kMembers, QJsonObject{{QStringLiteral("projectId"), projectId},
                                       {QStringLiteral("userId"), user},
                                       {QStringLiteral("structureId"), root.value(kId)},
                                       {QStringLiteral("visible"), true},
                                       {QStringLiteral("joinedAt"), now}});
    return ApiReply::json(projectView(store, project, request));
}

ApiReply enterProject(Store &store, const ApiRequest &request)
{
    QJsonObject member =
        memberOf(store, request.param(QStringLiteral("projectId")), request.userId);
    member.insert(QStringLiteral("enteredAt"), timestampNow());
    store.replace(kMembers, member);
    return ApiReply::json(QJsonObject());
}

// Stored model files, every version counted, against the project's allowance;
// "check" with "size" answers code 206 when an upload of that size would not fit.
ApiReply capacityCheck(const Store &store, const ApiRequest &request)
{
    const QString projectId = request.param(QStringLiteral("projectId"));
    const double used = usedCapacity(store, projectId);
    const double capacity =
        store.byId(kProjects, projectId).value(QLatin1String("capacity")).toDouble();
    QJsonObject reply{{QStringLiteral("used"), used},
                      {QStringLiteral("capacity"), capacity},
                      {QStringLiteral("code"), 200},
                      {QStringLiteral("message"), QStringLiteral("enough capacity")}};
    if (request.flag(QStringLiteral("check"))) {
        bool ok = false;
        const qint64 size = request.query.value(QStringLiteral("size")).toLongLong(&ok);
        if (!ok)
            return ApiReply::badRequest(QStringLiteral("size must be a number of bytes"));
        if (used + double(size) > capacity) {
            reply.insert(QStringLiteral("code"), 206);
            reply.insert(QStringLiteral("message"),
                         QStringLiteral("not enough capacity left for this upload"));
        }
    }
    return ApiReply::json(reply);
}

ApiReply listMembers(const Store &store, const ApiRequest &request)
{
    QList<QJsonObject> members;
    for (QJsonObject member : store.selectBy(kMembers, QStringLiteral("projectId"),
                                             request.param(QStringLiteral("projectId")))) {
        if (request.flag(QStringLiteral("expand")))
            member.insert(QStringLiteral("user"),
                          userView(store.byId(QStringLiteral("users"),
                                              member.value(QLatin1String("userId")).toString())));
        members.append(member);
    }
    return ApiReply::json(members);
}

// "members?verify=true": whether the user belongs to the host project.
ApiReply verifyMember(const Store &store, const ApiRequest &request)
{
    if (!request.flag(QStringLiteral("verify")))
        return ApiReply::badRequest(QStringLiteral("members can only be verified here"));
    QJsonObject body;
    request.bodyObject(body);
    const QJsonObject member = memberOf(store, body.value(QLatin1String("hostId")).toString(),
                                        body.value(QLatin1String("userId")).toString());
    if (member.isEmpty())
        return ApiReply::error(404, 40401, QStringLiteral("the user is not a member"));
    return ApiReply::json(
        QJsonObject{{QStringLiteral("member"), true},
                    {QStringLiteral("structureId"), member.value(QLatin1String("structureId"))}});
}

ApiReply inviteColleague(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString hostId = body.value(QLatin1String("hostId")).toString();
    if (!isProjectMember(store, hostId, request.userId))
        return notMember();
    QJsonObject invitation = store.insert(
        QStringLiteral("member_invitations"),
        QJsonObject{{QStringLiteral("hostId"), hostId},
                    {QStringLiteral("type"), body.value(QLatin1String("type")).toInt(0)},
                    {QStringLiteral("createdBy"), request.userId},
                    {QStringLiteral("createdAt"), timestampNow()}});
    const QString link = QStringLiteral("https://sandbox.vhplatform.local/invite/") +
                         invitation.value(kId).toString();
    invitation.insert(QStringLiteral("qrCode"), link);
    store.replace(QStringLiteral("member_invitations"), invitation);
    return ApiReply::json(invitation);
}

// Finds the request and checks that the user may see (or, with `decide`,
// pass or reject) it: members see, project administrators decide.
bool requestFor(const Store &store, const ApiRequest &request, bool decide, QJsonObject &found,
                ApiReply &failure)
{
    found = store.byId(kRequests, request.param(QStringLiteral("requestId")));
    if (found.isEmpty()) {
        failure = ApiReply::notFound(QStringLiteral("membership request"));
        return false;
    }
    const QString hostId = found.value(QLatin1String("hostId")).toString();
    const bool allowed = decide ? store.byId(kProjects, hostId)
                                      .value(QLatin1String("adminIds"))
                                      .toArray()
                                      .contains(request.userId)
                                : isProjectMember(store, hostId, request.userId);
    if (!allowed) {
        failure = ApiReply::error(403, 40300, QStringLiteral("you may not handle this request"));
        return false;
    }
    if (decide && found.value(QLatin1String("status")).toInt() != Waiting) {
        failure = ApiReply::error(400, 40901, QStringLiteral("the request was already handled"));
        return false;
    }
    return true;
}

ApiReply getRequest(const Store &store, const ApiRequest &request)
{
    QJsonObject found;
    ApiReply failure;
    if (!requestFor(store, request, false, found, failure))
        return failure;
    if (request.flag(QStringLiteral("expand")))
        found.insert(QStringLiteral("user"),
                     userView(store.byId(QStringLiteral("users"),
                                         found.value(QLatin1String("userId")).toString())));
    return ApiReply::json(found);
}

ApiReply passRequest(Store &store, const ApiRequest &request)
{
    QJsonObject found;
    ApiReply failure;
    if (!requestFor(store, request, true, found, failure))
        return failure;
    QJsonObject body;
    request.bodyObject(body);
    const QString hostId = found.value(QLatin1String("hostId")).toString();
    const QString structureId = body.value(QLatin1String("structureId")).toString();
    const QJsonObject structure = store.byId(QStringLiteral("structures"), structureId);
    if (structure.value(QLatin1String("hostId")).toString() != hostId)
        return ApiReply::error(400, 40002,
                               QStringLiteral("structureId must name a structure of the project"));

    found.insert(QStringLiteral("status"), Passed);
    found.insert(QStringLiteral("approvedBy"), request.userId);
    found.insert(QStringLiteral("approvedData"),
                 QJsonObject{{QStringLiteral("remark"), body.value(QLatin1String("remark"))},
                             {QStringLiteral("positionId"), QString()},
                             {QStringLiteral("structureId"), structureId}});
    store.replace(kRequests, found);
    const QString userId = found.value(QLatin1String("userId")).toString();
    if (!isProjectMember(store, hostId, userId))
        store.insert(kMembers, QJsonObject{{QStringLiteral("projectId"), hostId},
                                           {QStringLiteral("userId"), userId},
                                           {QStringLiteral("structureId"), structureId},
                                           {QStringLiteral("visible"), true},
                                           {QStringLiteral("joinedAt"), timestampNow()}});
    return ApiReply::json(QJsonObject{{QStringLiteral("code"), 0},
                                      {QStringLiteral("message"), QStringLiteral("passed")},
                                      {QStringLiteral("request"), found}});
}

ApiReply rejectRequest(Store &store, const ApiRequest &request)
{
    QJsonObject found;
    ApiReply failure;
    if (!requestFor(store, request, true, found, failure))
        return failure;
    found.insert(QStringLiteral("status"), Rejected);
    found.insert(QStringLiteral("approvedBy"), request.userId);
    store.replace(kRequests, found);
    return ApiReply::json(QJsonObject());
}

} // namespace

void addProjectRoutes(RouteTable &routes, Store &store)
{
    const QString account = QLatin1String(Services::Account);
    const QString get = QStringLiteral("GET");
    const QString put = QStringLiteral("PUT");
    const QString post = QStringLiteral("POST");
    routes.add(get, account, QStringLiteral("projects"), withStore(store, listProjects));
    routes.add(post, account, QStringLiteral("projects"), withStore(store, createProject));
    routes.add(get, account, QStringLiteral("projects/:projectId"),
               forMembers(store, [&store](const ApiRequest &r) {
                   return ApiReply::json(projectView(
                       store, store.byId(kProjects, r.param(QStringLiteral("projectId"))), r));
               }));
    routes.add(put, account, QStringLiteral("projects/:projectId/enter"),
               forMembers(store, withStore(store, enterProject)));
    routes.add(get, account, QStringLiteral("projects/:projectId/used_capacity"),
               forMembers(store, withStore(store, capacityCheck)));
    routes.add(get, account, QStringLiteral("projects/:projectId/members"),
               forMembers(store, withStore(store, listMembers)));
    routes.add(post, account, QStringLiteral("members"), withStore(store, verifyMember));
    routes.add(post, account, QStringLiteral("member_invitations"),
               withStore(store, inviteColleague));
    routes.add(get, account, QStringLiteral("member_requests/:requestId"),
               withStore(store, getRequest));
    routes.add(put, account, QStringLiteral("member_requests/:requestId/pass"),
               withStore(store, passRequest));
    routes.add(put, account, QStringLiteral("member_requests/:requestId/reject"),
               withStore(store, rejectRequest));
}
