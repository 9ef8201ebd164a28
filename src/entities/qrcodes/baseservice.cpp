#include "baseservice.h"

#include "core/requestframe.h"
#include "entities/qrcodes/qrcodec.h"

#include "VHPublicFun.h"

using namespace RequestFrame;

namespace {

// What `setting` changes of `cached`, with the owner's ids added; empty when
// nothing changes.
QJsonObject settingChanges(const VHQRSetting &cached, const VHQRSetting &setting)
{
    QJsonObject changes = qrSettingToJson(setting);
    VHPub::removeCommonJsonValue(qrSettingToJson(cached), changes);
    if (changes.isEmpty())
        return changes;
    changes.insert(QStringLiteral("hostId"), jsonStringOrNull(currentProjectId()));
    changes.insert(QStringLiteral("userId"), jsonStringOrNull(currentUserId()));
    return changes;
}

// Sends the changes of the setting through `send` (a POST or a PUT); with no
// change, the caller's setting becomes the cached one without any request.
template<typename Send>
bool writeSetting(const VHQRSetting &cached, VHQRSetting &setting, Send send)
{
    const QJsonObject changes = settingChanges(cached, setting);
    if (changes.isEmpty()) {
        setting = cached;
        return true;
    }
    return send(changes).readObject(setting, parseQRSetting);
}

} // namespace

namespace BaseService {

bool getProjectUserQRSetting(VHQRSetting &setting)
{
    const QJsonObject where{{QStringLiteral("hostId"), jsonStringOrNull(currentProjectId())},
                            {QStringLiteral("userId"), QJsonValue(QJsonValue::Null)}};
    return Exchange::get(url(Service::Base, "qrSettings?where=%1", compactJson(where)))
        .readObject(setting, parseQRSetting);
}

bool createProjectUserQRSetting(const VHQRSetting &cached, VHQRSetting &setting)
{
    return writeSetting(cached, setting, [](const QJsonObject &body) {
        return Exchange::post(url(Service::Base, "qrSettings"), body);
    });
}

bool updateProjectUserQRSetting(const VHQRSetting &cached, VHQRSetting &setting)
{
    const QString id = setting.id;
    return writeSetting(cached, setting, [&id](const QJsonObject &body) {
        return Exchange::put(url(Service::Base, "qrSettings/%1", id), body);
    });
}

bool getQRTemplates(QList<VHQRTemplate> &templates)
{
    return Exchange::get(url(Service::Base, "projects/%1/qr_templates", currentProjectId()))
        .appendList(templates, parseQRTemplate);
}

bool createQRTemplate(VHQRTemplate &qrTemplate)
{
    return Exchange::post(url(Service::Base, "qr_templates"), qrTemplateToJson(qrTemplate))
        .readObject(qrTemplate, parseQRTemplate);
}

bool updateQRTemplate(VHQRTemplate &qrTemplate)
{
    return Exchange::put(url(Service::Base, "qr_templates/%1", qrTemplate.id),
                         qrTemplateToJson(qrTemplate))
        .readObject(qrTemplate, parseQRTemplate);
}

bool deleteQRTemplate(const QString &id)
{
    return Exchange::remove(url(Service::Base, "qr_templates/%1", id)).isSuccessful();
}

} // namespace BaseService
