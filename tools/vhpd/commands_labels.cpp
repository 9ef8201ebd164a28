// Changes to QR-code labels: the user's setting, the project's templates, and
// recording and reading printed labels.
#include "context.h"
#include "lookup.h"

#include <VHPrimaryData.h>

namespace {

void declareSetting(Options &parser)
{
    addOption(parser, "type", "Label type.", "n");
    addOption(parser, "logo", "Logo of the labels (a file path on the server).", "path");
}

// Changes the saved setting or, while the project's defaults apply, saves one
// of the user's own; only what differs from the setting read is sent.
int settingSet(Context &context)
{
    VHQRSetting setting;
    if (!context.data().getProjectUserQRSetting(setting))
        return context.fail(QStringLiteral("cannot read the QR setting"));
    const bool create = setting.id.isEmpty();
    if (!context.intValue("type", setting.type, 0, setting.type))
        return ExitUsage;
    if (context.isSet("logo"))
        setting.logo = context.value("logo");
    const bool saved = create ? context.data().createProjectUserQRSetting(setting)
                              : context.data().updateProjectUserQRSetting(setting);
    if (!saved)
        return context.fail(QStringLiteral("cannot save the QR setting"));
    return context.report(QStringLiteral("Saved the QR setting (%1).").arg(setting.id),
                          toJson(setting));
}

void declareTemplate(Options &parser)
{
    addOption(parser, "name", "Name of the template.", "name");
    addOption(parser, "type", "Label type of the template.", "n");
    addOption(parser, "item", "An item as label=property; may be repeated.", "item");
    addOption(parser, "text", "An item as label=fixed text; may be repeated.", "item");
}

// The --item and --text options, in that order; false after a usage error.
bool readItems(Context &context, QList<VHQRTemplateItem> &items)
{
    for (const char *option : {"item", "text"}) {
        for (const QString &text : context.values(option)) {
            const int equals = text.indexOf(QLatin1Char('='));
            if (equals <= 0) {
                context.usage(QStringLiteral("--%1 needs label=value, not \"%2\"")
                                  .arg(QLatin1String(option), text));
                return false;
            }
            items.append({text.left(equals), text.mid(equals + 1), qstrcmp(option, "item") == 0});
        }
    }
    return true;
}

int templateCreate(Context &context)
{
    VHQRTemplate qrTemplate;
    qrTemplate.name = context.value("name");
    if (qrTemplate.name.isEmpty())
        return context.usage(QStringLiteral("give the template a --name"));
    if (!context.intValue("type", 0, 0, qrTemplate.type) || !readItems(context, qrTemplate.data))
        return ExitUsage;
    if (!context.data().createQRTemplate(qrTemplate))
        return context.fail(
            QStringLiteral("cannot create the QR template %1").arg(qrTemplate.name));
    return context.report(
        QStringLiteral("Created QR template %1 (%2).").arg(qrTemplate.name, qrTemplate.id),
        toJson(qrTemplate));
}

// Sends the name and the items when given; the items replace the old ones.
int templateUpdate(Context &context)
{
    if (context.isSet("type"))
        return context.usage(QStringLiteral("a template keeps the type it was created with"));
    VHQRTemplate found;
    if (const int status = findQrTemplate(context, context.argument(0), found))
        return status;
    VHQRTemplate qrTemplate;
    qrTemplate.id = found.id;
    if (context.isSet("name")) {
        qrTemplate.name = context.value("name");
        qrTemplate.modifiedFields.append(VHQRTemplateField::Name);
    }
    if (context.isSet("item") || context.isSet("text")) {
        if (!readItems(context, qrTemplate.data))
            return ExitUsage;
        qrTemplate.modifiedFields.append(VHQRTemplateField::Data);
    }
    if (qrTemplate.modifiedFields.isEmpty())
        return context.usage(QStringLiteral("give --name, --item or --text"));
    if (!context.data().updateQRTemplate(qrTemplate))
        return context.fail(QStringLiteral("cannot change the QR template %1").arg(qrTemplate.id));
    return context.report(QStringLiteral("Changed QR template %1.").arg(qrTemplate.id),
                          toJson(qrTemplate));
}

int templateDelete(Context &context)
{
    VHQRTemplate found;
    if (const int status = findQrTemplate(context, context.argument(0), found))
        return status;
    return context.removeRecord(&VHPrimaryData::deleteQRTemplate, "QR template", found.id,
                                found.name);
}

void declarePrint(Options &parser)
{
    addOption(parser, "label", "A text printed on the label; may be repeated.", "text");
    addOption(parser, "type", "Label type (default 1).", "n");
    addOption(parser, "logo", "Logo printed on the label.", "path");
}

int printCreate(Context &context)
{
    VHEntity entity;
    if (const int status = findEntity(context, context.argument(0), entity))
        return status;
    VHPrintRecord record;
    record.rId = entity.id;
    record.logo = context.value("logo");
    record.properties = context.values("label");
    if (!context.intValue("type", 1, 0, record.type))
        return ExitUsage;
    if (!context.data().createPrintRecord({record}))
        return context.fail(QStringLiteral("cannot record the print of %1").arg(record.rId));
    return context.report(QStringLiteral("Recorded a print of %1.").arg(record.rId),
                          toJson(record));
}

// One print record of an entity.
int printShow(Context &context)
{
    VHEntity entity;
    if (const int status = findEntity(context, context.argument(0), entity))
        return status;
    QList<VHPrintRecord> records;
    if (!context.data().getResourcePrintRecord(entity.id, records))
        return context.fail(QStringLiteral("cannot read the print records of %1").arg(entity.name));
    VHPrintRecord record;
    if (!context.data().getPrintRecord(context.argument(1), record) || record.id.isEmpty())
        return reportFailure(
            ExitFailed,
            QStringLiteral("%1 has no print record %2").arg(entity.name, context.argument(1)));
    QJsonObject object = toJson(record);
    context.names().addUser(object, "createdBy");
    context.out.record({{"Printed", "createdAt"},
                        {"By", "createdByName"},
                        {"Type", "type"},
                        {"Label", "properties"},
                        {"Logo", "logo"},
                        {"Id", "id"}},
                       object);
    return ExitOk;
}

} // namespace

QList<Command> labelCommands()
{
    return {
        {"qr-setting-set", "", "Change your QR-code setting in the current project.",
         Needs::Project, 0, 0, declareSetting, settingSet, Group::Labels,
         "vhpd qr-setting-set --type 2 --logo files/logos/demo.png", "qrSetting"},
        {"qr-template-create", "", "Create a QR label template.", Needs::Project, 0, 0,
         declareTemplate, templateCreate, Group::Labels,
         "vhpd qr-template-create --name Pipes --item Name=name", "qrTemplate"},
        {"qr-template-update", "<template>", "Change a QR label template's name or items.",
         Needs::Project, 1, 1, declareTemplate, templateUpdate, Group::Labels,
         "vhpd qr-template-update \"Pipe label\" --name \"Pipe tag\"", "qrTemplate"},
        {"qr-template-delete", "<template>", "Delete a QR label template (id or name).",
         Needs::Project, 1, 1, declareConfirmation, templateDelete, Group::Labels,
         "vhpd qr-template-delete \"Pipe tag\" --yes", "{\"deleted\": id}"},
        {"print-create", "<entity>", "Record a printed label of an entity.", Needs::Project, 1, 1,
         declarePrint, printCreate, Group::Labels,
         "vhpd print-create RMC-A-GRP-ARC-00003 --label \"Name: Skid\"", "print"},
        {"print", "<entity> <print-id>", "Show one print record of an entity.", Needs::Project, 2,
         2, nullptr, printShow, Group::Labels,
         "vhpd print 675946805e17ab1c0d3a5cbf 6903a7685e17ab1c0d3a6c5e", "print +createdByName",
         "print-show"},
    };
}
