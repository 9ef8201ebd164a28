// QR-code labels: the user's QR setting, the project's label templates and
// the print records of an entity.
#include "context.h"
#include "lookup.h"

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

// The templates in name order.
int qrTemplates(Context &context)
{
    QList<VHQRTemplate> templates;
    if (!context.data().getQRTemplates(templates))
        return context.fail(QStringLiteral("cannot read the QR templates"));
    return context.showRows(
        "QR templates",
        {{"Name", "name"}, {"Type", "type"}, {"Items", "data", CellFormat::Count}, {"Id", "id"}},
        toJsonArray(templates));
}

// One template with its items.
int qrTemplate(Context &context)
{
    VHQRTemplate found;
    if (const int status = findQrTemplate(context, context.argument(0), found))
        return status;
    VHQRTemplate qrTemplate;
    if (!context.data().getQRTemplateById(found.id, qrTemplate))
        return context.fail(QStringLiteral("no QR template %1").arg(found.id));
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

// The print records of an entity, newest first, with who printed them.
int prints(Context &context)
{
    VHEntity entity;
    if (const int status = findEntity(context, context.argument(0), entity))
        return status;
    QList<VHPrintRecord> records;
    if (!context.data().getResourcePrintRecord(entity.id, records))
        return context.fail(QStringLiteral("cannot read the print records of %1").arg(entity.name));
    const QJsonArray rows = context.names().withUserNames(records, "createdBy");
    return context.showRows("prints",
                            {{"Printed", "createdAt"},
                             {"By", "createdByName"},
                             {"Type", "type"},
                             {"Label", "properties"},
                             {"Id", "id"}},
                            rows);
}

} // namespace

QList<Command> qrCodeCommands()
{
    return {
        {"qr-setting", "", "Show your QR-code setting in the current project.", Needs::Project, 0,
         0, nullptr, qrSetting, Group::Labels, "vhpd qr-setting", "qrSetting"},
        {"qr-templates", "", "List the project's QR label templates.", Needs::Project, 0, 0,
         nullptr, qrTemplates, Group::Labels, "vhpd qr-templates", "[qrTemplate]"},
        {"qr-template", "<template>", "Show a QR label template (id or name) with its items.",
         Needs::Project, 1, 1, nullptr, qrTemplate, Group::Labels,
         "vhpd qr-template \"Standard label\"", "qrTemplate"},
        {"prints", "<entity>", "List the print records of an entity, newest first.", Needs::Project,
         1, 1, nullptr, prints, Group::Labels,
         "vhpd prints 675946805e17ab1c0d3a5cbf\n"
         "vhpd prints \"Plant Room Skid: PR-03\"",
         "[print +createdByName]"},
    };
}
