// Models of the current project by id, their removal and preprocessing, and
// what the user may edit.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>
#include <VHSoftBase.h>

namespace {

const QList<Column> kColumns = {{"Name", "name"},
                                {"Version", "version"},
                                {"Updated", "updatedAt"},
                                {"Model id", "modelId"},
                                {"Id", "id"}};

// The models, once each id asked for has been found; an id the server does
// not know is a failure, with nothing printed.
int listModels(Context &context, const QStringList &ids, const QList<VHModel> &models)
{
    QStringList unknown = ids;
    for (const VHModel &model : models)
        unknown.removeAll(model.id);
    if (!unknown.isEmpty())
        return reportFailure(ExitFailed,
                             QStringLiteral("no model %1").arg(unknown.join(QLatin1String(", "))));
    return context.showRows("models", kColumns, modelRows(context, models));
}

int byIds(Context &context)
{
    QList<VHModel> models;
    if (!context.data().getModelsByIds(context.arguments(), models))
        return context.fail(QStringLiteral("cannot read the models"));
    return listModels(context, context.arguments(), models);
}

// The models the application has open, here the ones given.
int current(Context &context)
{
    GetSoftCache()->setCurrentModelIds(context.arguments());
    QList<VHModel> models;
    context.data().getCurrentModels(models);
    return listModels(context, context.arguments(), models);
}

// The given models read again, or their versions when no longer current.
int fresh(Context &context)
{
    QList<VHModel> models;
    for (const QString &id : context.arguments()) {
        VHModel model;
        model.id = id;
        models.append(model);
    }
    if (!context.data().freshModels(models))
        return context.fail(QStringLiteral("cannot read the models again"));
    return listModels(context, context.arguments(), models);
}

// The name of each model id, in the order given.
int names(Context &context)
{
    QStringList names;
    context.data().getModelNamesByModelIds(context.arguments(), names);
    QStringList unknown;
    QJsonArray rows;
    for (int i = 0; i < context.arguments().size(); ++i) {
        if (names.value(i).isEmpty())
            unknown.append(context.argument(i));
        rows.append(QJsonObject{{QStringLiteral("id"), context.argument(i)},
                                {QStringLiteral("name"), names.value(i)}});
    }
    if (!unknown.isEmpty())
        return reportFailure(ExitFailed,
                             QStringLiteral("no model %1").arg(unknown.join(QLatin1String(", "))));
    return context.showRows("models", {{"Name", "name"}, {"Id", "id"}}, rows);
}

int version(Context &context)
{
    int number = 0;
    if (!context.intArgument(1, number))
        return ExitUsage;
    VHModel current;
    if (const int status = findModel(context, context.argument(0), current))
        return status;
    VHModel model;
    if (!context.data().getModelHistoryVersion(current.modelId, number, model) ||
        model.id.isEmpty())
        return context.fail(QStringLiteral("%1 has no version %2").arg(current.name).arg(number));
    context.out.record(kColumns, modelRow(context, model));
    return ExitOk;
}

int remove(Context &context)
{
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    return context.removeRecord(&VHPrimaryData::deleteModel, "model", model.id, model.name);
}

int removeVersion(Context &context)
{
    return context.removeRecord(&VHPrimaryData::deleteModelHistory, "model version");
}

int retry(Context &context)
{
    QStringList ids;
    if (const int status = findModelIds(context, context.arguments(), ids))
        return status;
    if (!context.data().retryPreprocessModels(ids))
        return context.fail(QStringLiteral("cannot restart the preprocessing"));
    return context.report(QStringLiteral("Preprocessing restarted for %1 models.").arg(ids.size()),
                          {{QStringLiteral("retried"), QJsonArray::fromStringList(ids)}});
}

// Whether the user may edit models at all, and models of the given tags.
int editRights(Context &context)
{
    QStringList tags;
    if (const int status = findTagIds(context, context.arguments(), tags))
        return status;
    if (!context.data().initModelAuth())
        return context.fail(QStringLiteral("cannot read your model rights"));
    QJsonObject rights{{QStringLiteral("models"), context.data().canEditModel()}};
    if (!tags.isEmpty())
        rights.insert(QStringLiteral("tags"), context.data().canEditTagModel(tags));
    context.out.record({{"Edit models", "models"}, {"Edit with these tags", "tags"}}, rights);
    return ExitOk;
}

// One tag of the project, by name or id.
int tag(Context &context)
{
    VHModelTag found;
    if (const int status = findTag(context, context.argument(0), found))
        return status;
    QJsonObject object = toJson(found);
    object.insert(QStringLiteral("typeName"), context.names().tagType(found.type));
    context.out.record({{"Name", "name"}, {"Type", "typeName"}, {"Id", "id"}}, object);
    return ExitOk;
}

} // namespace

QList<Command> modelChangeCommands()
{
    return {
        {"models-by-ids", "<id>...", "Show models by their ids.", Needs::Project, 1, -1, nullptr,
         byIds, Group::Models, "vhpd models-by-ids 67e27b475e17ab1c0d3a5cbb",
         "[model +tagNames +updatedByName]"},
        {"models-current", "<id>...", "Open models as the current ones and show them.",
         Needs::Project, 1, -1, nullptr, current, Group::Models,
         "vhpd models-current 67e27b475e17ab1c0d3a5cbb", "[model +tagNames +updatedByName]"},
        {"models-fresh", "<id>...", "Read models again, or their versions when replaced.",
         Needs::Project, 1, -1, nullptr, fresh, Group::Models,
         "vhpd models-fresh 67e27b475e17ab1c0d3a5cbb", "[model +tagNames +updatedByName]"},
        {"model-names", "<model-id>...", "Show the names of models.", Needs::Project, 1, -1,
         nullptr, names, Group::Models, "vhpd model-names 67e27b475e17ab1c0d3a5cbb",
         "[{id, name}]"},
        {"model-version", "<model> <version>", "Show one version of a model from its history.",
         Needs::Project, 2, 2, nullptr, version, Group::Models,
         "vhpd model-version \"Block A - Architecture\" 2", "model +tagNames +updatedByName"},
        {"model-delete", "<model>", "Delete a model (id or name).", Needs::Project, 1, 1,
         declareConfirmation, remove, Group::Models,
         "vhpd model-delete \"Survey upload\"\n"
         "vhpd model-delete 6778fa175e17ab1c0d3a6160 --yes",
         "{\"deleted\": id}"},
        {"model-version-delete", "<history-id>",
         "Delete one version of a model (the id model-history shows).", Needs::Project, 1, 1,
         declareConfirmation, removeVersion, Group::Models,
         "vhpd model-version-delete 67ee67695e17ab1c0d3a60b8 --yes", "{\"deleted\": id}",
         "model-delete-version"},
        {"model-retry", "<model>...", "Restart the preprocessing of models (ids or names).",
         Needs::Project, 1, -1, nullptr, retry, Group::Models,
         "vhpd model-retry \"Block A - Level 2 Fit-out\"", "{\"retried\": [id]}"},
        {"model-edit-rights", "[tag...]", "Show whether you may edit models (of these tags).",
         Needs::Project, 0, -1, nullptr, editRights, Group::Models,
         "vhpd model-edit-rights\n"
         "vhpd model-edit-rights Architecture \"Block A\"",
         "{\"models\": true or false, \"tags\": true or false}"},
        {"tag", "<tag>", "Show a model tag (id, name, or \"type: name\").", Needs::Project, 1, 1,
         nullptr, tag, Group::ModelSets,
         "vhpd tag Architecture\n"
         "vhpd tag \"Building: Podium\"",
         "tag +typeName"},
    };
}
