// Changes to QR-code labels: the user's setting, the project's templates, and
// recording and reading printed labels.
#include "context.h"

#include <VHPrimaryData.h>

#include <QCommandLineParser>

namespace {

void declareSetting(QCommandLineParser &parser)
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

void declareTemplate(QCommandLineParser &parser)
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
    VHQRTemplate qrTemplate;
    qrTemplate.id = context.argument(0);
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
    return context.removeRecord(&VHPrimaryData::deleteQRTemplate, "QR template");
}

void declarePrint(QCommandLineParser &parser)
{
    addOption(parser, "label", "A text printed on the label; may be repeated.", "text");
    addOption(parser, "type", "Label type (default 1).", "n");
    addOption(parser, "logo", "Logo printed on the label.", "path");
}

int printCreate(Context &context)
{
    VHPrintRecord record;
    record.rId = context.argument(0);
    record.logo = context.value("logo");
    record.properties = context.values("label");
    if (!context.intValue("type", 1, 0, record.type))
        return ExitUsage;
    if (!context.data().createPrintRecord({record}))
        return context.fail(QStringLiteral("cannot record the print of %1").arg(record.rId));
    return context.report(QStringLiteral("Recorded a print of %1.").arg(record.rId),
                          toJson(record));
}

// One print record of a resource.
int printShow(Context &context)
{
    QList<VHPrintRecord> records;
    if (!context.data().getResourcePrintRecord(context.argument(0), records))
        return context.fail(
            QStringLiteral("cannot read the print records of %1").arg(context.argument(0)));
    VHPrintRecord record;
    if (!context.data().getPrintRecord(context.argument(1), record) || record.id.isEmpty())
        return context.fail(QStringLiteral("no print record %1").arg(context.argument(1)));
    context.out.record({{"Printed", "createdAt"},
                        {"By", "createdBy"},
                        {"Type", "type"},
                        {"Label", "properties"},
                        {"Logo", "logo"},
                        {"Id", "id"}},
                       toJson(record));
    return ExitOk;
}

} // namespace

QList<Command> labelCommands()
{
    return {
        {"qr-setting-set", "", "Change your QR-code setting in the current project.",
         Needs::Project, 0, 0, declareSetting, settingSet},
        {"qr-template-create", "", "Create a QR label template.", Needs::Project, 0, 0,
         declareTemplate, templateCreate},
        {"qr-template-update", "<template-id>", "Change a QR label template's name or items.",
         Needs::Project, 1, 1, declareTemplate, templateUpdate},
        {"qr-template-delete", "<template-id>", "Delete a QR label template.", Needs::Project, 1, 1,
         declareConfirmation, templateDelete},
        {"print-create", "<entity-id>", "Record a printed label of an entity.", Needs::Project, 1,
         1, declarePrint, printCreate},
        {"print-show", "<entity-id> <print-id>", "Show one print record of an entity.",
         Needs::Project, 2, 2, nullptr, printShow},
    };
}
