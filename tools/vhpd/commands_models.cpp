// Models of the current project: the catalogue with its tags, one model, its
// history and the comparison of two versions, model sets, and uploads.
#include "context.h"
#include "lookup.h"
#include "transport.h"

#include <VHPrimaryData.h>

#include <QFileInfo>

namespace {

const QList<Column> kModelColumns = {{"Name", "name"},
                                     {"Version", "version"},
                                     {"Size", "modelSize", CellFormat::Bytes},
                                     {"Updated", "updatedAt"},
                                     {"Tags", "tagNames"},
                                     {"Readable", "authorized"},
                                     {"Id", "id"}};

void declareModels(Options &parser)
{
    addOption(parser, "readable", "Only the models you may read.");
}

// The catalogue in natural name order, as the library sorts it.
int models(Context &context)
{
    context.data().initModelTags();
    QList<VHModel> models;
    if (!context.data().getProjectModels(models, context.isSet("readable")))
        return context.fail(QStringLiteral("cannot list the project's models"));
    return context.showRows("models", kModelColumns, modelRows(context, models));
}

void declareModel(Options &parser)
{
    parser.addPositionalArgument(QStringLiteral("model"), QStringLiteral("Model id or name."));
    addOption(parser, "version", "Show this version of the model.", "n");
}

int model(Context &context)
{
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    int version = 0;
    if (!context.intValue("version", 0, 1, version))
        return ExitUsage;
    if (version > 0 && version != model.version &&
        !context.data().getModelByVersion(model.id, version, model, true))
        return context.fail(QStringLiteral("%1 has no version %2").arg(model.name).arg(version));
    context.out.record({{"Name", "name"},
                        {"Version", "version"},
                        {"Size", "modelSize", CellFormat::Bytes},
                        {"File", "modelFile"},
                        {"Remark", "remark"},
                        {"Tags", "tagNames"},
                        {"Updated", "updatedAt"},
                        {"Updated by", "updatedByName"},
                        {"Readable", "authorized"},
                        {"Preprocessed", "preprocessed", CellFormat::Preprocessing},
                        {"Model id", "modelId"},
                        {"Id", "id"}},
                       modelRow(context, model));
    return ExitOk;
}

int history(Context &context)
{
    VHModel model;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    QList<VHModel> versions;
    if (!context.data().getModelHistory(model.modelId, versions))
        return context.fail(QStringLiteral("cannot read the history of %1").arg(model.name));
    return context.showRows("versions",
                            {{"Version", "version"},
                             {"Size", "modelSize", CellFormat::Bytes},
                             {"Updated", "updatedAt"},
                             {"By", "updatedByName"},
                             {"Remark", "remark"},
                             {"Id", "id"}},
                            modelRows(context, versions));
}

void declareCompare(Options &parser)
{
    parser.addPositionalArgument(QStringLiteral("model"), QStringLiteral("Model id or name."));
    parser.addPositionalArgument(QStringLiteral("base"), QStringLiteral("Base version."));
    parser.addPositionalArgument(QStringLiteral("other"), QStringLiteral("Version to compare."));
    addOption(parser, "entity", "Compare the properties of this entity (its uuid).", "uuid");
}

// The properties of one entity in both versions, side by side.
int compareEntity(Context &context, const VHModel &model, int base, int other)
{
    VHEntityPropertyVersion before;
    VHEntityPropertyVersion after;
    const QString uuid = context.value("entity");
    if (!context.data().getCompareEntityProperty(model.modelId, uuid, base, other, before, after))
        return context.fail(QStringLiteral("cannot compare entity %1").arg(uuid));
    if (context.out.isJson()) {
        context.out.json(QJsonObject{{QStringLiteral("base"), toJson(before)},
                                     {QStringLiteral("compare"), toJson(after)}});
        return ExitOk;
    }
    // One row per category and key found in either version.
    QMap<QPair<QString, QString>, QPair<QString, QString>> values;
    for (const VHProperty &property : before.properties)
        values[{property.category, property.key}].first = property.value;
    for (const VHProperty &property : after.properties)
        values[{property.category, property.key}].second = property.value;
    QJsonArray rows;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        rows.append(
            QJsonObject{{QStringLiteral("category"), it.key().first},
                        {QStringLiteral("key"), it.key().second},
                        {QStringLiteral("base"), it.value().first},
                        {QStringLiteral("compare"), it.value().second},
                        {QStringLiteral("changed"), it.value().first != it.value().second}});
    }
    context.out.text(QStringLiteral("%1, version %2: %3; version %4: %5")
                         .arg(model.name)
                         .arg(base)
                         .arg(before.name.isEmpty() ? QStringLiteral("(absent)") : before.name)
                         .arg(other)
                         .arg(after.name.isEmpty() ? QStringLiteral("(absent)") : after.name));
    context.out.list({{"Category", "category"},
                      {"Key", "key"},
                      {"Base", "base"},
                      {"Compared", "compare"},
                      {"Changed", "changed"}},
                     rows, QStringLiteral("No properties."));
    return ExitOk;
}

// Which entities were added, deleted or modified between two versions.
int compare(Context &context)
{
    VHModel model;
    int base = 0;
    int other = 0;
    if (!context.intArgument(1, base) || !context.intArgument(2, other))
        return ExitUsage;
    if (const int status = findModel(context, context.argument(0), model))
        return status;
    if (context.isSet("entity"))
        return compareEntity(context, model, base, other);

    QMap<QString, QStringList> diff;
    if (!context.data().getCompareModels(model.modelId, base, other, diff))
        return context.fail(QStringLiteral("cannot compare versions %1 and %2 of %3")
                                .arg(base)
                                .arg(other)
                                .arg(model.name));
    QJsonObject byKind;
    QJsonArray rows;
    for (auto it = diff.constBegin(); it != diff.constEnd(); ++it) {
        byKind.insert(it.key(), QJsonArray::fromStringList(it.value()));
        QString kind = QLatin1String("modified: ") + it.key();
        if (it.key() == QLatin1String("add"))
            kind = QStringLiteral("added");
        else if (it.key() == QLatin1String("del"))
            kind = QStringLiteral("deleted");
        QString examples = it.value().mid(0, 2).join(QLatin1String(", "));
        if (it.value().size() > 2)
            examples += QLatin1String(", ...");
        rows.append(QJsonObject{{QStringLiteral("kind"), kind},
                                {QStringLiteral("count"), it.value().size()},
                                {QStringLiteral("uuids"), examples}});
    }
    if (context.out.isJson()) {
        context.out.json(byKind);
        return ExitOk;
    }
    context.out.text(
        QStringLiteral("%1: version %2 against version %3").arg(model.name).arg(base).arg(other));
    context.out.list({{"Change", "kind"}, {"Entities", "count"}, {"Uuids", "uuids"}}, rows,
                     QStringLiteral("No differences."));
    return ExitOk;
}

int recent(Context &context)
{
    context.data().initModelTags();
    QList<VHModel> models;
    if (!context.data().getModelRecentUpload(models))
        return context.fail(QStringLiteral("cannot read the recent uploads"));
    return context.showRows("models", kModelColumns, modelRows(context, models));
}

void declareModelSets(Options &parser)
{
    addOption(parser, "by", "Sets created by this user, a name or an id (default: you).", "user");
    addOption(parser, "name", "Only the set of this name.", "name");
}

int modelSets(Context &context)
{
    VHModelSetCondition condition;
    condition.createdBy = context.session.user.id;
    if (context.isSet("by")) {
        VHUser user;
        if (const int status = findUser(context, context.value("by"), user))
            return status;
        condition.createdBy = user.id;
    }
    condition.name = context.value("name");
    QList<VHModelSet> sets;
    if (!context.data().getModelSets(condition, sets))
        return context.fail(QStringLiteral("cannot list the model sets"));
    const QJsonArray rows = context.names().withUserNames(sets, "createdBy");
    return context.showRows("model sets",
                            {{"Name", "name"},
                             {"Models", "modelIds", CellFormat::Count},
                             {"Created", "createdAt"},
                             {"By", "createdByName"},
                             {"Id", "id"}},
                            rows);
}

// A model set with its models.
int modelSet(Context &context)
{
    VHModelSet set;
    if (const int status = findModelSet(context, context.argument(0), set))
        return status;
    context.data().initModelTags();
    QList<VHModel> models;
    if (!context.data().getModelSetModels(set.id, models))
        return context.fail(QStringLiteral("cannot read the models of %1").arg(set.name));
    QJsonObject object = toJson(set);
    context.names().addUser(object, "createdBy");
    object.insert(QStringLiteral("models"), modelRows(context, models));
    if (context.out.isJson()) {
        context.out.json(object);
        return ExitOk;
    }
    context.out.record(
        {{"Name", "name"}, {"Created", "createdAt"}, {"By", "createdByName"}, {"Id", "id"}},
        object);
    context.out.text(QString());
    context.out.list(kModelColumns, object.value(QLatin1String("models")).toArray(),
                     QStringLiteral("No models."));
    return ExitOk;
}

// Every tag of the project with its type.
int tags(Context &context)
{
    QList<VHModelTagType> types;
    if (!context.data().initModelTags() || !context.data().getModelTagTypes(types))
        return context.fail(QStringLiteral("cannot read the model tags"));
    QJsonArray rows;
    for (const VHModelTagType &type : types) {
        for (const VHModelTag &tag : type.tags) {
            QJsonObject row = toJson(tag);
            row.insert(QStringLiteral("typeName"), type.name);
            rows.append(row);
        }
    }
    return context.showRows("tags", {{"Type", "typeName"}, {"Tag", "name"}, {"Id", "id"}}, rows);
}

void declareUpload(Options &parser)
{
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Model file to send."));
    addOption(parser, "name", "Name of the model (default: the file's name).", "name");
    addOption(parser, "remark", "Remark of this version.", "text");
    addOption(parser, "tag", "A tag for the model, a name or an id; at most two.", "tag");
    addOption(parser, "replace", "Send the file as a new version of this model (id or name).",
              "model");
}

// Sends a model file as a new model, or as a new version of one, after
// checking that the project has room for it.
int upload(Context &context)
{
    const QFileInfo file(context.argument(0));
    if (!file.isFile() || !file.isReadable())
        return context.usage(QStringLiteral("cannot read the file %1").arg(context.argument(0)));
    if (context.values("tag").size() > 2)
        return context.usage(QStringLiteral("give at most two --tag"));
    // Checked here, so that a mistyped tag does not cost the whole transfer.
    QStringList tags;
    if (const int status = findTagIds(context, context.values("tag"), tags))
        return status;

    VHUploadDNG upload;
    upload.projectId = context.session.projectId;
    upload.name = context.isSet("name") ? context.value("name") : file.completeBaseName();
    upload.remark = context.value("remark");
    upload.firstTagId = tags.value(0);
    upload.secondTagId = tags.value(1);
    upload.filePath = file.absoluteFilePath();
    VHModel replaced;
    if (context.isSet("replace")) {
        if (const int status = findModel(context, context.value("replace"), replaced))
            return status;
        upload.modelId = replaced.modelId;
        if (!context.isSet("name"))
            upload.name = replaced.name;
    }
    if (!context.data().getProjectCapacityEnough(file.size()))
        return context.fail(
            QStringLiteral("the project has no room left for %1").arg(Output::bytes(file.size())));

    bool sent = false;
    {
        UploadProgress progress(file.size());
        sent = upload.modelId.isEmpty() ? context.data().uploadModelDNG(upload)
                                        : context.data().updateModelDNG(upload);
    }
    if (!sent)
        return context.fail(QStringLiteral("the server did not accept %1").arg(file.fileName()));

    // The upload answers no model; the newest upload of that name is it.
    QList<VHModel> recent;
    context.data().getModelRecentUpload(recent);
    VHModel model;
    for (const VHModel &candidate : recent) {
        if (candidate.name == upload.name) {
            model = candidate;
            break;
        }
    }
    context.out.text(QStringLiteral("Uploaded %1 (%2) as %3, version %4.")
                         .arg(file.fileName(), Output::bytes(file.size()), upload.name)
                         .arg(model.version));
    if (context.out.isJson())
        context.out.json(modelRow(context, model));
    return ExitOk;
}

} // namespace

QList<Command> modelCommands()
{
    return {
        {"models", "", "List the current project's models in name order, with their tags.",
         Needs::Project, 0, 0, declareModels, models, Group::Models,
         "vhpd models --readable\n"
         "vhpd --json models | jq -r '.items[].name'",
         "[model +tagNames +updatedByName]"},
        {"model", "<model>", "Show a model (id or name), or one of its versions.", Needs::Project,
         1, 1, declareModel, model, Group::Models,
         "vhpd model \"Block A - Architecture\"\n"
         "vhpd model \"block a - arch\" --version 2",
         "model +tagNames +updatedByName"},
        {"model-history", "<model>", "List the versions of a model.", Needs::Project, 1, 1, nullptr,
         history, Group::Models, "vhpd model-history \"Block A - Architecture\"",
         "[model +tagNames +updatedByName]", "history"},
        {"model-compare", "<model> <base> <other>",
         "Show what changed between two versions of a model.", Needs::Project, 3, 3, declareCompare,
         compare, Group::Models,
         "vhpd model-compare \"Block A - Architecture\" 1 4\n"
         "vhpd model-compare \"Block A - Architecture\" 1 4 --entity UUID",
         "{\"add\": [uuid], \"del\": [uuid], <kind>: [uuid]}, or with --entity {\"base\": "
         "propertyVersion, \"compare\": propertyVersion}",
         "compare"},
        {"models-recent", "", "List the project's most recent uploads.", Needs::Project, 0, 0,
         nullptr, recent, Group::Models, "vhpd models-recent", "[model +tagNames +updatedByName]",
         "recent"},
        {"model-sets", "", "List the model sets you (or another member) created.", Needs::Project,
         0, 0, declareModelSets, modelSets, Group::ModelSets,
         "vhpd model-sets\n"
         "vhpd model-sets --by tom.hughes",
         "[modelSet +createdByName]"},
        {"model-set", "<set>", "Show a model set (id or name) with its models.", Needs::Project, 1,
         1, nullptr, modelSet, Group::ModelSets, "vhpd model-set \"Block A coordination\"",
         "modelSet +createdByName +models", "model-set-show"},
        {"tags", "", "List the project's model tags with their types.", Needs::Project, 0, 0,
         nullptr, tags, Group::ModelSets, "vhpd tags", "[tag +typeName]"},
        {"model-upload", "<file>", "Upload a model file, as a new model or a new version.",
         Needs::Project, 1, 1, declareUpload, upload, Group::Models,
         "vhpd model-upload survey.dng --tag Architecture --tag \"Block A\"\n"
         "vhpd model-upload survey.dng --replace \"Survey upload\"",
         "model +tagNames +updatedByName", "upload"},
    };
}
