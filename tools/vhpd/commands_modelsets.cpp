// Creating, reading and deleting model sets.
#include "context.h"

#include <VHPrimaryData.h>

namespace {

const QList<Column> kSetFields = {
    {"Name", "name"}, {"Models", "modelIds"}, {"Created", "createdAt"}, {"Id", "id"}};

int show(Context &context)
{
    VHModelSet set;
    if (!context.data().getModelSet(context.argument(0), set, false))
        return context.fail(QStringLiteral("no model set %1").arg(context.argument(0)));
    context.out.record(kSetFields, toJson(set));
    return ExitOk;
}

int create(Context &context)
{
    VHModelSet set;
    set.name = context.argument(0);
    set.modelIds = context.arguments().mid(1);
    if (!context.data().createModelSet(set))
        return context.fail(QStringLiteral("cannot create the model set %1").arg(set.name));
    return context.report(QStringLiteral("Created model set %1 (%2).").arg(set.name, set.id),
                          toJson(set));
}

int remove(Context &context)
{
    return context.removeRecord(&VHPrimaryData::deleteModelSet, "model set");
}

// "yes" or "no", with exit status 0 either way.
int nameExists(Context &context)
{
    const bool exists = context.data().isModelSetNameExist(context.argument(0));
    return context.report(exists ? QStringLiteral("yes") : QStringLiteral("no"),
                          {{QStringLiteral("exists"), exists}});
}

} // namespace

QList<Command> modelSetCommands()
{
    return {
        {"model-set-show", "<set-id>", "Show a model set.", Needs::Project, 1, 1, nullptr, show},
        {"model-set-create", "<name> <model-id>...", "Create a model set of models.",
         Needs::Project, 2, -1, nullptr, create},
        {"model-set-delete", "<set-id>", "Delete a model set.", Needs::Project, 1, 1,
         declareConfirmation, remove},
        {"model-set-name-exists", "<name>", "Tell whether a model set of this name exists.",
         Needs::Project, 1, 1, nullptr, nameExists},
    };
}
