// Model files sent as multipart forms: a new model, or a new version of one.
// Text parts "projectId", "name", "remark" and "tags" (a JSON array of two tag
// ids, either may be empty) and the part "file".
#include "modelaccess.h"
#include "routes.h"
#include "routesupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString kModels = QStringLiteral("models");
const QString kId = QStringLiteral("_id");
const QString kProjectId = QStringLiteral("projectId");

constexpr int kPreprocessed = 2;

QString field(const ApiRequest &request, const char *name)
{
    return QString::fromUtf8(request.form.value(QLatin1String(name))).trimmed();
}

qint64 fileSize(const ApiRequest &request)
{
    return request.formFiles.value(QStringLiteral("file")).size;
}

// The form's tag ids, each of which must be a tag of the project.
bool readTags(const Store &store, const ApiRequest &request, const QString &projectId,
              QJsonArray &tags, ApiReply &failure)
{
    const QByteArray text = request.form.value(QStringLiteral("tags"));
    const QJsonDocument document = QJsonDocument::fromJson(text.isEmpty() ? "[]" : text);
    if (!document.isArray()) {
        failure = ApiReply::badRequest(QStringLiteral("tags must be a JSON array of tag ids"));
        return false;
    }
    for (const QJsonValue &tag : document.array()) {
        if (tag.toString().isEmpty())
            continue;
        if (store.byId(QStringLiteral("model_tags"), tag.toString()).value(kProjectId).toString() !=
            projectId) {
            failure = ApiReply::badRequest(
                QStringLiteral("\"%1\" is not a tag of the project").arg(tag.toString()));
            return false;
        }
        tags.append(tag);
    }
    return true;
}

bool fitsCapacity(const Store &store, const QString &projectId, double size)
{
    return usedCapacity(store, projectId) + size <=
           store.byId(QStringLiteral("projects"), projectId)
               .value(QLatin1String("capacity"))
               .toDouble();
}

// Checks the parts every upload needs; `projectId` is that of the form.
bool checkForm(const Store &store, const ApiRequest &request, const QString &projectId,
               QJsonArray &tags, ApiReply &failure)
{
    if (!request.formFiles.contains(QStringLiteral("file"))) {
        failure = ApiReply::badRequest(QStringLiteral("the form has no part \"file\""));
        return false;
    }
    if (!readTags(store, request, projectId, tags, failure))
        return false;
    if (!fitsCapacity(store, projectId, double(fileSize(request)))) {
        failure =
            ApiReply::error(400, 206, QStringLiteral("not enough capacity left for this file"));
        return false;
    }
    return true;
}

// Records the uploaded file as version `version` of `model` and stores both.
QJsonObject storeVersion(Store &store, const ApiRequest &request, QJsonObject model, int version)
{
    const QString modelId = model.value(kId).toString();
    const QString now = timestampNow();
    model.insert(QStringLiteral("version"), version);
    model.insert(QStringLiteral("modelFile"),
                 QStringLiteral("files/models/%1/v%2.dng").arg(modelId).arg(version));
    model.insert(QStringLiteral("modelSize"), double(fileSize(request)));
    model.insert(QStringLiteral("preprocessed"), kPreprocessed);
    model.insert(QStringLiteral("updatedAt"), now);
    model.insert(QStringLiteral("updatedBy"), request.userId);
    QJsonObject entry = model;
    entry.remove(kId);
    entry.insert(QStringLiteral("modelId"), modelId);
    entry.insert(QStringLiteral("changes"), QJsonArray());
    store.insert(QStringLiteral("histories"), entry);
    if (!store.replace(kModels, model))
        store.insert(kModels, model);
    return ModelAccess::view(store, model, request.userId);
}

ApiReply uploadModel(Store &store, const ApiRequest &request)
{
    const QString projectId = field(request, "projectId");
    if (!isProjectMember(store, projectId, request.userId))
        return notMember();
    QJsonArray tags;
    ApiReply failure;
    if (!checkForm(store, request, projectId, tags, failure))
        return failure;
    QString name = field(request, "name");
    if (name.isEmpty())
        name =
            QFileInfo(request.formFiles.value(QStringLiteral("file")).fileName).completeBaseName();
    const QString id = store.newId();
    const QJsonObject model{{kId, id},
                            {QStringLiteral("modelId"), id},
                            {kProjectId, projectId},
                            {QStringLiteral("name"), name},
                            {QStringLiteral("linkId"), store.newId()},
                            {QStringLiteral("remark"), field(request, "remark")},
                            {QStringLiteral("tags"), tags},
                            {QStringLiteral("createdAt"), timestampNow()},
                            {QStringLiteral("createdBy"), request.userId}};
    return ApiReply::json(storeVersion(store, request, model, 1));
}

// A new version keeps the model's name and tags unless the form gives others.
ApiReply updateModel(Store &store, const ApiRequest &request)
{
    QJsonObject model;
    ApiReply failure;
    if (!ModelAccess::find(store, request, request.param(QStringLiteral("modelId")), true, model,
                           failure))
        return failure;
    QJsonArray tags;
    if (!checkForm(store, request, model.value(kProjectId).toString(), tags, failure))
        return failure;
    if (!field(request, "name").isEmpty())
        model.insert(QStringLiteral("name"), field(request, "name"));
    if (!tags.isEmpty())
        model.insert(QStringLiteral("tags"), tags);
    model.insert(QStringLiteral("remark"), field(request, "remark"));
    return ApiReply::json(
        storeVersion(store, request, model, model.value(QLatin1String("version")).toInt(1) + 1));
}

} // namespace

void addUploadRoutes(RouteTable &routes, Store &store)
{
    const QString model = QLatin1String(Services::Model);
    routes.add(QStringLiteral("POST"), model, QStringLiteral("models/dng"),
               withStore(store, uploadModel));
    routes.add(QStringLiteral("PUT"), model, QStringLiteral("models/:modelId/dng"),
               withStore(store, updateModel));
}
