// Creating and deleting model sets.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

namespace {

// A set of the models named (by id or name).
int create(Context &context)
{
    VHModelSet set;
    set.name = context.argument(0);
    if (const int status = findModelIds(context, context.arguments().mid(1), set.modelIds))
        return status;
    if (!context.data().createModelSet(set))
        return context.fail(QStringLiteral("cannot create the model set %1").arg(set.name));
    return context.report(QStringLiteral("Created model set %1 (%2).").arg(set.name, set.id),
                          toJson(set));
}

int remove(Context &context)
{
    VHModelSet set;
    if (const int status = findModelSet(context, context.argument(0), set))
        return status;
    return context.removeRecord(&VHPrimaryData::deleteModelSet, "model set", set.id, set.name);
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
        {"model-set-create", "<name> <model>...", "Create a model set of models (ids or names).",
         Needs::Project, 2, -1, nullptr, create, Group::ModelSets,
         "vhpd model-set-create Pair \"Block A - Arch\" \"Block A - Struc\"", "modelSet"},
        {"model-set-delete", "<set>", "Delete a model set (id or name).", Needs::Project, 1, 1,
         declareConfirmation, remove, Group::ModelSets,
         "vhpd model-set-delete Pair\n"
         "vhpd model-set-delete 675946805e17ab1c0d3a6a5e --yes",
         "{\"deleted\": id}"},
        {"model-set-name-exists", "<name>", "Tell whether a model set of this name exists.",
         Needs::Project, 1, 1, nullptr, nameExists, Group::ModelSets,
         "vhpd model-set-name-exists \"Block A coordination\"", "{\"exists\": true or false}"},
    };
}
