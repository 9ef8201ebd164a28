#include "updateinfocodec.h"

void parseUpdateInfo(const QJsonObject &object, UpdateInfo &info)
{
    info.id = object.value(QLatin1String("_id")).toString();
    info.name = object.value(QLatin1String("name")).toString();
    info.version = object.value(QLatin1String("version")).toString();
    // The server sends the build number as text; anything else counts as 0.
    info.build = object.value(QLatin1String("build")).toString().toInt(nullptr, 10);
    info.fileId = object.value(QLatin1String("fileId")).toString();
    info.device = object.value(QLatin1String("device")).toString();
    info.description = object.value(QLatin1String("description")).toString();
    info.forced = object.value(QLatin1String("forced")).toBool(false);
}
