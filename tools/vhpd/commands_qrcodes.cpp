// QR-code labels: the user's QR setting, the project's label templates and
// the print records of a resource.
#include "context.h"

#include <VHPrimaryData.h>

namespace {

int qrSetting(Context &context)
{
    VHQRSetting setting;
    if (!context.data().getProjectUserQRSetting(setting))
        return context.fail(QStringLiteral("cannot read the QR setting"));
    context.out.record({{"Label type", "type"}, {"Logo", "logo"}, {"Id", "id"}}, toJson(setting));
    return ExitOk;
}

// The templates in name order, or the items of one template.
int qrTemplates(Context &context)
{
    QList<VHQRTemplate> templates;
    if (!context.data().getQRTemplates(templates))
        return context.fail(QStringLiteral("cannot read the QR templates"));
    if (context.arguments().isEmpty()) {
        QJsonArray rows;
        for (const VHQRTemplate &qrTemplate : templates) {
            QJsonObject row = toJson(qrTemplate);
            row.insert(QStringLiteral("items"), qrTemplate.data.size());
            rows.append(row);
        }
        context.out.list({{"Name", "name"}, {"Type", "type"}, {"Items", "items"}, {"Id", "id"}},
                         rows, QStringLiteral("No QR templates."));
        return ExitOk;
    }
    VHQRTemplate qrTemplate;
    if (!context.data().getQRTemplateById(context.argument(0), qrTemplate))
        return context.fail(QStringLiteral("no QR template %1").arg(context.argument(0)));
    const QJsonObject object = toJson(qrTemplate);
    if (context.out.isJson()) {
        context.out.json(object);
        return ExitOk;
    }
    context.out.text(QStringLiteral("%1 (type %2)").arg(qrTemplate.name).arg(qrTemplate.type));
    context.out.list({{"Label", "key"}, {"Value", "value"}, {"From property", "property"}},
                     object.value(QLatin1String("data")).toArray(), QStringLiteral("No items."));
    return ExitOk;
}

int prints(Context &context)
{
    QList<VHPrintRecord> records;
    if (!context.data().getResourcePrintRecord(context.argument(0), records))
        return context.fail(
            QStringLiteral("cannot read the print records of %1").arg(context.argument(0)));
    context.out.list({{"Printed", "createdAt"},
                      {"By", "createdBy"},
                      {"Type", "type"},
                      {"Label", "properties"},
                      {"Id", "id"}},
                     toJsonArray(records), QStringLiteral("Never printed."));
    return ExitOk;
}

} // namespace

QList<Command> qrCodeCommands()
{
    return {
        {"qr-setting", "", "Show your QR-code setting in the current project.", Needs::Project, 0,
         0, nullptr, qrSetting},
        {"qr-templates", "[template-id]", "List the project's QR label templates, or show one.",
         Needs::Project, 0, 1, nullptr, qrTemplates},
        {"prints", "<entity-id>", "List the print records of an entity, newest first.",
         Needs::Project, 1, 1, nullptr, prints},
    };
}
