#include "updateinfocodec.h"

#include "core/jsonfields.h"

using JsonField::text;

void parseUpdateInfo(const QJsonObject &object, UpdateInfo &info)
{
    info.id = text(object, "_id");
    info.name = text(object, "name");
    info.version = text(object, "version");
    // The server sends the build number as text; anything else counts as 0.
    info.build = text(object, "build").toInt(nullptr, 10);
    info.fileId = text(object, "fileId");
    info.device = text(object, "device");
    info.description = text(object, "description");
    info.forced = JsonField::boolean(object, "forced", false);
}
