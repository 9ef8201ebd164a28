#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/requestframe.h"
#include "core/vhprimarydata_p.h"

#include "VHNetwork.h"

#include <QJsonArray>

// Model files travel through the transport's file upload, with the model's
// description as text fields beside the file. The remembered models are not
// touched; the caller reads the new or replaced model again.

namespace {

// Exactly four fields, empty ones included. The two tag ids travel as the
// compact JSON array text ["first","second"].
QMap<QString, QString> uploadFields(const VHUploadDNG &upload)
{
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("projectId"), upload.projectId);
    fields.insert(QStringLiteral("name"), upload.name);
    fields.insert(QStringLiteral("remark"), upload.remark);
    fields.insert(QStringLiteral("tags"),
                  RequestFrame::compactJson(QJsonArray{upload.firstTagId, upload.secondTagId}));
    return fields;
}

} // namespace

bool VHPrimaryData::uploadModelDNG(const VHUploadDNG &upload)
{
    const FailureScope scope(d->m_lastError);
    return CFileUploadProxy::uploadDNG(upload.filePath, uploadFields(upload));
}

bool VHPrimaryData::updateModelDNG(const VHUploadDNG &upload)
{
    const FailureScope scope(d->m_lastError);
    return CFileUploadProxy::updateDNG(upload.filePath, uploadFields(upload), upload.modelId);
}
