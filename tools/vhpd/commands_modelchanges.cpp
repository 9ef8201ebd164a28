// Models of the current project by id, their removal and preprocessing, and
// what the user may edit.
#include "context.h"

#include <VHPrimaryData.h>
#include <VHSoftBase.h>

namespace {

const QList<Column> kColumns = {{"Name", "name"},
                                {"Version", "version"},
                                {"Updated", "updatedAt"},
                                {"Model id", "modelId"},
                                {"Id", "id"}};

int listModels(Context &context, const QList<VHModel> &models)
{
    context.out.list(kColumns, toJsonArray(models), QStringLiteral("No models."));
    return ExitOk;
}

int byIds(Context &context)
{
    QList<VHModel> models;
    if (!context.data().getModelsByIds(context.arguments(), models))
        return context.fail(QStringLiteral("cannot read the models"));
    return listModels(context, models);
}

// The models the application has open, here the ones given.
int current(Context &context)
{
    GetSoftCache()->setCurrentModelIds(context.arguments());
    QList<VHModel> models;
    context.data().getCurrentModels(models);
    return listModels(context, models);
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
    return listModels(context, models);
}

int names(Context &context)
{
    QStringList names;
    context.data().getModelNamesByModelIds(context.arguments(), names);
    if (context.out.isJson())
        context.out.json(QJsonArray::fromStringList(names));
    else
        context.out.text(names.join(QLatin1Char('\n')));
    return ExitOk;
}

int version(Context &context)
{
    int number = 0;
    if (!context.intArgument(1, number))
        return ExitUsage;
    VHModel model;
    if (!context.data().getModelHistoryVersion(context.argument(0), number, model))
        return context.fail(
            QStringLiteral("%1 has no version %2").arg(context.argument(0)).arg(number));
    context.out.record(kColumns, toJson(model));
    return ExitOk;
}

int remove(Context &context)
{
    return context.removeRecord(&VHPrimaryData::deleteModel, "model");
}

int removeVersion(Context &context)
{
    return context.removeRecord(&VHPrimaryData::deleteModelHistory, "model version");
}

int retry(Context &context)
{
    if (!context.data().retryPreprocessModels(context.arguments()))
        return context.fail(QStringLiteral("cannot restart the preprocessing"));
    return context.report(
        QStringLiteral("Preprocessing restarted for %1 models.").arg(context.arguments().size()),
        {{QStringLiteral("retried"), QJsonArray::fromStringList(context.arguments())}});
}

// Whether the user may edit models at all, and models of the given tags.
int editRights(Context &context)
{
    if (!context.data().initModelAuth())
        return context.fail(QStringLiteral("cannot read your model rights"));
    QJsonObject rights{{QStringLiteral("models"), context.data().canEditModel()}};
    if (!context.arguments().isEmpty())
        rights.insert(QStringLiteral("tags"), context.data().canEditTagModel(context.arguments()));
    context.out.record({{"Edit models", "models"}, {"Edit with these tags", "tags"}}, rights);
    return ExitOk;
}

const QList<Column> kTagColumns = {{"Name", "name"}, {"Type", "type"}, {"Id", "id"}};

// The project's tags as one list, or one tag.
int tag(Context &context)
{
    if (!context.data().initModelTags())
        return context.fail(QStringLiteral("cannot read the model tags"));
    if (context.arguments().isEmpty()) {
        QList<VHModelTag> tags;
        if (!context.data().getModelTags(tags))
            return context.fail(QStringLiteral("cannot read the model tags"));
        context.out.list(kTagColumns, toJsonArray(tags), QStringLiteral("No tags."));
        return ExitOk;
    }
    VHModelTag found;
    if (!context.data().getModelTagById(context.argument(0), found))
        return context.fail(QStringLiteral("no model tag %1").arg(context.argument(0)));
    context.out.record(kTagColumns, toJson(found));
    return ExitOk;
}

} // namespace

QList<Command> modelChangeCommands()
{
    return {
        {"models-by-ids", "<id>...", "Show models by their ids.", Needs::Project, 1, -1, nullptr,
         byIds},
        {"models-current", "<id>...", "Open models as the current ones and show them.",
         Needs::Project, 1, -1, nullptr, current},
        {"models-fresh", "<id>...", "Read models again, or their versions when replaced.",
         Needs::Project, 1, -1, nullptr, fresh},
        {"model-names", "<model-id>...", "Show the names of models.", Needs::Project, 1, -1,
         nullptr, names},
        {"model-version", "<model-id> <version>", "Show one version of a model from its history.",
         Needs::Project, 2, 2, nullptr, version},
        {"model-delete", "<id>", "Delete a model.", Needs::Project, 1, 1, declareConfirmation,
         remove},
        {"model-delete-version", "<history-id>", "Delete one version of a model.", Needs::Project,
         1, 1, declareConfirmation, removeVersion},
        {"model-retry", "<id>...", "Restart the preprocessing of models.", Needs::Project, 1, -1,
         nullptr, retry},
        {"model-edit-rights", "[tag-id...]", "Show whether you may edit models (of these tags).",
         Needs::Project, 0, -1, nullptr, editRights},
        {"tag", "[tag-id]", "List the project's model tags, or show one.", Needs::Project, 0, 1,
         nullptr, tag},
    };
}
