#include "lookup.h"

#include "context.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

// How many entities one read of the entity search brings, and how many of the
// most recently printed are looked through for an id, uuid or QR code.
constexpr int kEntityPage = 500;
constexpr int kEntitiesLookedThrough = 5000;

// A name search of the entities; `exact` wants the whole name.
int searchEntities(Context &context, const QString &text, bool exact, int limit,
                   QList<VHEntity> &found, int &count)
{
    VHEntityCondition condition;
    const QString pattern = QRegularExpression::escape(text);
    condition.name = exact ? QLatin1Char('^') + pattern + QLatin1Char('$') : pattern;
    if (!context.data().getEntityRangeCount(condition, count) ||
        !context.data().getEntityRangeData(0, limit, found))
        return context.fail(QStringLiteral("cannot search the entities"));
    return ExitOk;
}

// The entities named `text`: exactly, else in part; one, or the failure.
int entityByName(Context &context, const QString &text, VHEntity &found)
{
    for (const bool exact : {true, false}) {
        QList<VHEntity> matches;
        int count = 0;
        if (const int status =
                searchEntities(context, text, exact, Context::kMostCandidates, matches, count))
            return status;
        if (count == 1 && !matches.isEmpty()) {
            found = matches.first();
            return ExitOk;
        }
        if (count > 1) {
            QStringList names;
            for (const VHEntity &entity : std::as_const(matches))
                names.append(QStringLiteral("%1 (%2)").arg(entity.name, entity.id));
            if (count > matches.size())
                names.append(QStringLiteral("and %1 more").arg(count - matches.size()));
            return context.usage(
                QStringLiteral("\"%1\" matches %2 entities; give one of their ids: %3")
                    .arg(text)
                    .arg(count)
                    .arg(names.join(QLatin1String("; "))));
        }
    }
    return ExitFailed;
}

// The ids of the records `texts` name, each found by `find`.
template<typename Record>
int idsOf(Context &context, const QStringList &texts,
          int (*find)(Context &, const QString &, Record &), QStringList &ids)
{
    for (const QString &text : texts) {
        Record record;
        if (const int status = find(context, text, record))
            return status;
        ids.append(record.id);
    }
    return ExitOk;
}

} // namespace

bool looksLikeId(const QString &text)
{
    static const QRegularExpression id(QStringLiteral("^[0-9a-fA-F]{24}$"));
    return id.match(text).hasMatch();
}

int findProject(Context &context, const QString &text, VHProject &found)
{
    QList<VHProject> projects;
    if (!context.data().getProjects(projects))
        return context.fail(QStringLiteral("cannot list your projects"));
    const int picked = context.pick(projects, text, "projects", found, [](const VHProject &p) {
        return QStringList{p.name, p.sortName};
    });
    if (picked != ExitFailed)
        return picked;
    if (looksLikeId(text) && context.data().getProjectById(text, found) && !found.id.isEmpty())
        return ExitOk;
    return reportFailure(ExitFailed, QStringLiteral("no project matches \"%1\"").arg(text));
}

int findModel(Context &context, const QString &text, VHModel &found)
{
    context.data().initModelTags();
    QList<VHModel> models;
    if (!context.data().getProjectModels(models, false))
        return context.fail(QStringLiteral("cannot list the project's models"));
    const int picked = context.pick(models, text, "models", found);
    if (picked != ExitFailed)
        return picked;
    // A history entry, or a model the list leaves out.
    if (looksLikeId(text) && context.data().getModelById(text, found, false) && !found.id.isEmpty())
        return ExitOk;
    return reportFailure(ExitFailed, QStringLiteral("no model matches \"%1\"").arg(text));
}

int findModelIds(Context &context, const QStringList &texts, QStringList &ids)
{
    return idsOf(context, texts, findModel, ids);
}

int findModelSet(Context &context, const QString &text, VHModelSet &found)
{
    const auto setsOf = [&context](const QString &userId, QList<VHModelSet> &sets) {
        VHModelSetCondition condition;
        condition.createdBy = userId;
        QList<VHModelSet> own;
        const bool read = context.data().getModelSets(condition, own);
        sets += own;
        return read;
    };
    QList<VHModelSet> sets;
    if (!setsOf(context.session.user.id, sets))
        return context.fail(QStringLiteral("cannot list the model sets"));
    int picked = context.pick(sets, text, "model sets", found);
    if (picked != ExitFailed)
        return picked;
    if (looksLikeId(text) && context.data().getModelSet(text, found, false) && !found.id.isEmpty())
        return ExitOk;
    // Sets are listed by their creator: those of everyone else in the project.
    QList<VHUser> members;
    context.data().getUsers(members, false);
    sets.clear();
    for (const VHUser &member : std::as_const(members)) {
        if (member.id != context.session.user.id && !setsOf(member.id, sets))
            return context.fail(QStringLiteral("cannot list the model sets"));
    }
    picked = context.pick(sets, text, "model sets", found);
    if (picked != ExitFailed)
        return picked;
    return reportFailure(ExitFailed, QStringLiteral("no model set matches \"%1\"").arg(text));
}

int findTag(Context &context, const QString &text, VHModelTag &found)
{
    QList<VHModelTag> tags;
    if (!context.data().initModelTags() || !context.data().getModelTags(tags))
        return context.fail(QStringLiteral("cannot read the model tags"));
    Names &names = context.names();
    const int picked = context.pick(tags, text, "tags", found, [&names](const VHModelTag &tag) {
        return QStringList{tag.name, names.tagType(tag.type) + QLatin1String(": ") + tag.name};
    });
    if (picked != ExitFailed)
        return picked;
    return reportFailure(ExitFailed,
                         QStringLiteral("no model tag matches \"%1\" (see vhpd tags)").arg(text));
}

int findTagIds(Context &context, const QStringList &texts, QStringList &ids)
{
    return idsOf(context, texts, findTag, ids);
}

int findUser(Context &context, const QString &text, VHUser &found)
{
    QList<VHUser> members;
    if (!context.session.projectId.isEmpty())
        context.data().getUsers(members, false);
    const int picked = context.pick(members, text, "members", found, [](const VHUser &user) {
        return QStringList{user.name, user.nickName, user.phoneNumber};
    });
    if (picked != ExitFailed)
        return picked;
    if (looksLikeId(text)) {
        if (context.data().getUser(text, found, true) && !found.id.isEmpty())
            return ExitOk;
        return context.fail(QStringLiteral("no user %1").arg(text));
    }
    return reportFailure(
        ExitFailed,
        QStringLiteral("no member of the project matches \"%1\"; give a user id").arg(text));
}

int findUserIds(Context &context, const QStringList &texts, QStringList &ids)
{
    return idsOf(context, texts, findUser, ids);
}

int findOrganisation(Context &context, const QString &text, bool circle, QString &id)
{
    struct Unit
    {
        QString id;
        QString name;
        QString sortName;
    };
    QList<Unit> units;
    bool read = false;
    if (circle) {
        QList<VHCircle> circles;
        read = context.data().getProjectCircles(circles);
        for (const VHCircle &c : std::as_const(circles))
            units.append({c.id, c.name, c.sortName});
    } else {
        QList<VHEnterprise> enterprises;
        read = context.data().getProjectEnterprises(enterprises);
        for (const VHEnterprise &e : std::as_const(enterprises))
            units.append({e.id, e.name, e.sortName});
    }
    const char *what = circle ? "circles" : "enterprises";
    if (!read)
        return context.fail(QStringLiteral("cannot read the %1").arg(QLatin1String(what)));
    Unit found;
    const int picked = context.pick(units, text, what, found, [](const Unit &unit) {
        return QStringList{unit.name, unit.sortName};
    });
    if (picked == ExitOk)
        id = found.id;
    else if (picked == ExitFailed && looksLikeId(text))
        id = text; // one the user may not see, but may filter by
    else if (picked == ExitFailed)
        return reportFailure(
            ExitFailed,
            QStringLiteral("no %1 matches \"%2\"")
                .arg(circle ? QStringLiteral("circle") : QStringLiteral("enterprise"), text));
    else
        return picked;
    return ExitOk;
}

int findQrTemplate(Context &context, const QString &text, VHQRTemplate &found)
{
    QList<VHQRTemplate> templates;
    if (!context.data().getQRTemplates(templates))
        return context.fail(QStringLiteral("cannot read the QR templates"));
    const int picked = context.pick(templates, text, "QR templates", found);
    if (picked != ExitFailed)
        return picked;
    return reportFailure(ExitFailed, QStringLiteral("no QR template matches \"%1\"").arg(text));
}

int findEntities(Context &context, const QStringList &texts, QList<VHEntity> &found)
{
    // Ids, uuids and QR codes are looked for in one pass through the most
    // recently printed entities; the rest by name.
    QHash<QString, VHEntity> byKey;
    QStringList wanted;
    for (const QString &text : texts) {
        if (!text.contains(QLatin1Char(' ')))
            wanted.append(text);
    }
    if (!wanted.isEmpty()) {
        int count = 0;
        if (!context.data().getEntityRangeCount(VHEntityCondition(), count))
            return context.fail(QStringLiteral("cannot search the entities"));
        const int last = qMin(count, kEntitiesLookedThrough);
        for (int skip = 0; skip < last && !wanted.isEmpty(); skip += kEntityPage) {
            QList<VHEntity> page;
            if (!context.data().getEntityRangeData(skip, kEntityPage, page))
                return context.fail(QStringLiteral("cannot search the entities"));
            for (const VHEntity &entity : std::as_const(page)) {
                for (const QString &key : {entity.id, entity.uuid, entity.qrCode}) {
                    if (!key.isEmpty() && wanted.removeAll(key) > 0)
                        byKey.insert(key, entity);
                }
            }
        }
    }
    for (const QString &text : texts) {
        VHEntity entity = byKey.value(text);
        if (entity.id.isEmpty()) {
            const int status = entityByName(context, text, entity);
            if (status == ExitFailed)
                return reportFailure(
                    ExitFailed,
                    QStringLiteral("no entity matches \"%1\" (by name, or by id, uuid or QR "
                                   "code among the %2 most recently printed)")
                        .arg(text)
                        .arg(kEntitiesLookedThrough));
            if (status != ExitOk)
                return status;
        }
        found.append(entity);
    }
    return ExitOk;
}

int findEntity(Context &context, const QString &text, VHEntity &found)
{
    QList<VHEntity> entities;
    if (const int status = findEntities(context, {text}, entities))
        return status;
    found = entities.first();
    return ExitOk;
}

Names::Names(const Context &context)
    : m_context(context)
{}

QString Names::user(const QString &id)
{
    if (id.isEmpty())
        return QString();
    if (!m_membersRead) {
        m_membersRead = true;
        if (!m_context.session.projectId.isEmpty()) {
            QList<VHUser> members;
            m_context.data().getUsers(members, false);
            for (const VHUser &member : std::as_const(members))
                m_users.insert(member.id, member.name);
        }
    }
    const auto known = m_users.constFind(id);
    if (known != m_users.constEnd())
        return known.value();
    VHUser user;
    const QString name =
        m_context.data().getUser(id, user, true) && user.id == id ? user.name : QString();
    m_users.insert(id, name);
    return name;
}

QString Names::organisation(const QString &id)
{
    if (id.isEmpty())
        return QString();
    if (!m_organisationRead) {
        m_organisationRead = true;
        QList<VHCircle> circles;
        QList<VHEnterprise> enterprises;
        m_context.data().getProjectCircles(circles);
        m_context.data().getProjectEnterprises(enterprises);
    }
    return m_context.data().getProjectCircleName(id);
}

QString Names::tagType(const QString &id)
{
    // The tags are loaded once, unless the command has loaded them already.
    VHModelTagType type;
    if (!m_context.data().getModeTagTypeById(id, type) && !m_tagsRead) {
        m_tagsRead = true;
        m_context.data().initModelTags();
        m_context.data().getModeTagTypeById(id, type);
    }
    return type.name;
}

QString Names::project(const QString &id)
{
    if (!m_projectsRead) {
        m_projectsRead = true;
        QList<VHProject> projects;
        m_context.data().getProjects(projects);
        for (const VHProject &project : std::as_const(projects))
            m_projects.insert(project.id, project.name);
    }
    return m_projects.value(id);
}

void Names::addUser(QJsonObject &row, const char *key)
{
    add(row, key, &Names::user);
}

void Names::addOrganisation(QJsonObject &row, const char *key)
{
    add(row, key, &Names::organisation);
}

void Names::add(QJsonObject &row, const char *key, QString (Names::*name)(const QString &))
{
    const auto nameOrId = [this, name](const QString &id) {
        const QString found = (this->*name)(id);
        return found.isEmpty() ? id : found;
    };
    const QString member = QLatin1String(key);
    const QJsonValue value = row.value(member);
    if (value.isArray()) {
        QJsonArray names;
        const QJsonArray ids = value.toArray();
        for (const QJsonValue &id : ids)
            names.append(nameOrId(id.toString()));
        row.insert(member.chopped(3) + QLatin1String("Names"), names);
    } else {
        const QString stem = member.endsWith(QLatin1String("Id")) ? member.chopped(2) : member;
        row.insert(stem + QLatin1String("Name"), nameOrId(value.toString()));
    }
}

QJsonObject modelRow(Context &context, const VHModel &model)
{
    QJsonArray names;
    for (auto it = model.mapModelTag.constBegin(); it != model.mapModelTag.constEnd(); ++it) {
        const QString type = context.names().tagType(it.key());
        QString tag = context.data().getModelTagNameById(it.value());
        if (tag.isEmpty())
            tag = it.value(); // a tag the user may not see
        names.append(type.isEmpty() ? tag : type + QLatin1String(": ") + tag);
    }
    QJsonObject row = toJson(model);
    row.insert(QStringLiteral("tagNames"), names);
    context.names().addUser(row, "updatedBy");
    return row;
}

QJsonArray modelRows(Context &context, const QList<VHModel> &models)
{
    QJsonArray rows;
    for (const VHModel &model : models)
        rows.append(modelRow(context, model));
    return rows;
}

QJsonArray entityRows(Context &context, const QList<VHEntity> &entities)
{
    return context.names().withUserNames(entities, "printedBy");
}

QList<Column> entityColumns()
{
    return {
        {"Name", "name"},         {"QR code", "qrCode"},   {"Model", "model"}, {"Floor", "floor"},
        {"Printed", "printedAt"}, {"By", "printedByName"}, {"Uuid", "uuid"},   {"Id", "id"}};
}
