#ifndef VHPD_CLI_LOOKUP_H
#define VHPD_CLI_LOOKUP_H

#include "output.h"
#include "records.h"

#include <VHPrimaryData.h>

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class Context;

// The records a command line names: by id, or by the whole or a unique part
// of a name, as Context::pick chooses among them. Each gives ExitOk with the
// record found, or the status of the failure it has reported: ExitFailed for
// a text nothing matches, ExitUsage for one that several records match.

// A server id: 24 hexadecimal digits.
bool looksLikeId(const QString &text);

// One of the user's projects, or any project by its id.
int findProject(Context &context, const QString &text, VHProject &found);
// A model of the current project.
int findModel(Context &context, const QString &text, VHModel &found);
// The ids of several models of the current project, in the order given.
int findModelIds(Context &context, const QStringList &texts, QStringList &ids);
// A model set of the current project: the user's own first, then any by its
// id, then those of the other members.
int findModelSet(Context &context, const QString &text, VHModelSet &found);
// A model tag of the current project, also as "type: tag".
int findTag(Context &context, const QString &text, VHModelTag &found);
int findTagIds(Context &context, const QStringList &texts, QStringList &ids);
// A member of the current project by account name, nickname or phone
// number, or any user by id.
int findUser(Context &context, const QString &text, VHUser &found);
int findUserIds(Context &context, const QStringList &texts, QStringList &ids);
// An enterprise (or, with `circle`, a circle) of the organisation.
int findOrganisation(Context &context, const QString &text, bool circle, QString &id);
// A QR label template of the current project.
int findQrTemplate(Context &context, const QString &text, VHQRTemplate &found);
// Entities of the current project by name, or by id, uuid or QR code among
// the most recently printed.
int findEntities(Context &context, const QStringList &texts, QList<VHEntity> &found);
int findEntity(Context &context, const QString &text, VHEntity &found);

// The names of the ids that records hold, each looked up once per run. An
// unknown id has an empty name.
class Names
{
public:
    explicit Names(const Context &context);

    // A user's account name: a member's from the member list, anyone else's
    // read by id.
    QString user(const QString &id);
    // A circle's or an enterprise's display name.
    QString organisation(const QString &id);
    QString tagType(const QString &id);
    QString project(const QString &id);

    // Beside the member `key` of `row`, an id, its name: "createdByName"
    // beside "createdBy", "enterpriseName" beside "enterpriseId", and for a
    // list of ids "adminNames" beside "adminIds". Where no name is known, the
    // id itself.
    void addUser(QJsonObject &row, const char *key);
    void addOrganisation(QJsonObject &row, const char *key);
    // The records as rows, each with the user name of its member `key`.
    template<typename Record>
    QJsonArray withUserNames(const QList<Record> &records, const char *key)
    {
        QJsonArray rows;
        for (const Record &record : records) {
            QJsonObject row = toJson(record);
            addUser(row, key);
            rows.append(row);
        }
        return rows;
    }

private:
    void add(QJsonObject &row, const char *key, QString (Names::*name)(const QString &));

    const Context &m_context;
    QHash<QString, QString> m_users;
    bool m_membersRead = false;
    bool m_organisationRead = false;
    bool m_tagsRead = false;
    bool m_projectsRead = false;
    QHash<QString, QString> m_projects;
};

// A model with the names of its tags as "type: tag" in "tagNames", and of its
// last uploader in "updatedByName".
QJsonObject modelRow(Context &context, const VHModel &model);
QJsonArray modelRows(Context &context, const QList<VHModel> &models);

// Entities with the name of whoever printed each in "printedByName", and the
// columns of a table of them.
QJsonArray entityRows(Context &context, const QList<VHEntity> &entities);
QList<Column> entityColumns();

#endif // VHPD_CLI_LOOKUP_H
