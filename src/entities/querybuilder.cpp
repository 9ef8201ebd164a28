#include "querybuilder.h"

#include "core/requestframe.h"

#include "VHNetwork.h"
#include "VHPublicFun.h"

#include <QJsonArray>

namespace {

QJsonObject inClause(const QJsonArray &values)
{
    return QJsonObject{{QStringLiteral("$in"), values}};
}

// A case-insensitive regular-expression match anywhere in the text.
QJsonObject regexMatch(const QString &pattern)
{
    return QJsonObject{{QStringLiteral("$regex"), pattern},
                       {QStringLiteral("$options"), QStringLiteral("i")}};
}

QJsonObject modelAlternative(const VHEntityTree &tree, bool group)
{
    return QJsonObject{{QStringLiteral("modelId"), tree.modelId}, {QStringLiteral("group"), group}};
}

// One alternative per selected part of the tree: a whole model; a model's
// group entities; a whole floor; a whole domain; or some categories of a
// domain. Each alternative names exactly the path to its part.
QJsonArray selectionAlternatives(const QList<VHEntityTree> &models)
{
    QJsonArray alternatives;
    for (const VHEntityTree &tree : models) {
        if (tree.wholeModel) {
            alternatives.append(QJsonObject{{QStringLiteral("modelId"), tree.modelId}});
            continue;
        }
        if (tree.group)
            alternatives.append(modelAlternative(tree, true));
        for (const VHEntityTreeFloor &floor : tree.floors) {
            QJsonObject onFloor = modelAlternative(tree, false);
            onFloor.insert(QStringLiteral("floor"), floor.floor);
            if (floor.domains.isEmpty()) {
                alternatives.append(onFloor);
                continue;
            }
            for (const VHEntityTreeDomain &domain : floor.domains) {
                QJsonObject inDomain = onFloor;
                inDomain.insert(QStringLiteral("domain"), domain.domain);
                if (!domain.categories.isEmpty())
                    inDomain.insert(QStringLiteral("category"), makeInClause(domain.categories));
                alternatives.append(inDomain);
            }
        }
    }
    return alternatives;
}

} // namespace

QJsonObject makeInClause(const QStringList &values)
{
    QJsonArray array;
    for (const QString &value : values)
        array.append(RequestFrame::jsonStringOrNull(value));
    return inClause(array);
}

QJsonObject makeInClause(const QList<int> &values)
{
    QJsonArray array;
    for (int value : values)
        array.append(value);
    return inClause(array);
}

QString entityConditionToQuery(const VHEntityCondition &condition)
{
    QJsonObject query;
    if (!condition.allPrintedAt) {
        // The range covers whole days: it ends one day after `printedTo`.
        query.insert(QStringLiteral("printedAt"),
                     QJsonObject{{QStringLiteral("$gte"),
                                  VHPub::getQStringByDateTime(condition.printedFrom)},
                                 {QStringLiteral("$lt"),
                                  VHPub::getQStringByDateTime(condition.printedTo.addDays(1))}});
    }
    if (!condition.name.isEmpty())
        query.insert(QStringLiteral("name"), regexMatch(condition.name));
    if (!condition.allPrintedBy)
        query.insert(QStringLiteral("printedBy"), makeInClause(condition.printedBy));
    if (condition.printed)
        query.insert(QStringLiteral("printed"), true);
    if (!condition.allModels) {
        const QJsonArray alternatives = selectionAlternatives(condition.models);
        // A selection that names nothing must match nothing, not everything.
        if (alternatives.isEmpty())
            query.insert(QStringLiteral("modelId"), QJsonValue(QJsonValue::Null));
        else
            query.insert(QStringLiteral("$or"), alternatives);
    }
    return RequestFrame::compactJson(query);
}

QJsonObject uuidQuery(const QStringList &uuids)
{
    return QJsonObject{{QStringLiteral("uuid"), makeInClause(uuids)}};
}

QJsonObject entityUuidQuery(const QString &modelId, const QStringList &uuids)
{
    QJsonObject query = uuidQuery(uuids);
    query.insert(QStringLiteral("modelId"), modelId);
    return query;
}

QJsonObject propertySearchQuery(const QString &text, bool exact)
{
    const QJsonValue match = exact ? QJsonValue(text) : QJsonValue(regexMatch(text));
    return QJsonObject{{QStringLiteral("$or"),
                        QJsonArray{QJsonObject{{QStringLiteral("properties.key"), match}},
                                   QJsonObject{{QStringLiteral("properties.value"), match}},
                                   QJsonObject{{QStringLiteral("properties.category"), match}}}}};
}

QString queryParam(const QString &json)
{
    QString param;
    // The transport's flag says nothing the server would not say itself.
    VHBaseProxy::getQueryParam(json, param);
    return param;
}

QString queryParam(const QJsonObject &document)
{
    return queryParam(RequestFrame::compactJson(document));
}
