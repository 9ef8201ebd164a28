// The query builders from fuzzed conditions: whatever the texts, dates and
// selections, the document is compact JSON that parses back to itself.
#include "fuzzsupport.h"

#include "entities/querybuilder.h"
#include "models/modelcodec.h"
#include "projects/projectcodec.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString text(FuzzedDataProvider &in)
{
    const std::string bytes = in.ConsumeRandomLengthString(64);
    return QString::fromUtf8(bytes.data(), int(bytes.size()));
}

QStringList texts(FuzzedDataProvider &in)
{
    QStringList list;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        list << text(in);
    return list;
}

QDateTime dateTime(FuzzedDataProvider &in)
{
    if (in.ConsumeBool())
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(in.ConsumeIntegral<qint64>(), Qt::UTC);
}

VHEntityTree tree(FuzzedDataProvider &in)
{
    VHEntityTree tree;
    tree.modelId = text(in);
    tree.group = in.ConsumeBool();
    tree.wholeModel = in.ConsumeBool();
    for (int f = in.ConsumeIntegralInRange(0, 3); f > 0; --f) {
        VHEntityTreeFloor floor;
        floor.floor = text(in);
        for (int d = in.ConsumeIntegralInRange(0, 3); d > 0; --d) {
            VHEntityTreeDomain domain;
            domain.domain = in.ConsumeIntegral<int>();
            for (int c = in.ConsumeIntegralInRange(0, 3); c > 0; --c)
                domain.categories << in.ConsumeIntegral<int>();
            floor.domains << domain;
        }
        tree.floors << floor;
    }
    return tree;
}

// `where` must be one compact JSON object, byte for byte what Qt prints for it.
void requireCompactObject(const QString &where)
{
    const QByteArray utf8 = where.toUtf8();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(utf8, &error);
    Fuzz::require(error.error == QJsonParseError::NoError && doc.isObject());
    Fuzz::require(doc.toJson(QJsonDocument::Compact) == utf8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        VHEntityCondition condition;
        condition.allPrintedAt = in.ConsumeBool();
        condition.printedFrom = dateTime(in);
        condition.printedTo = dateTime(in);
        condition.name = text(in);
        condition.allPrintedBy = in.ConsumeBool();
        condition.printedBy = texts(in);
        condition.allModels = in.ConsumeBool();
        for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
            condition.models << tree(in);
        condition.printed = in.ConsumeBool();
        requireCompactObject(entityConditionToQuery(condition));
        break;
    }
    case 1: {
        VHProjectCondition condition;
        condition.words = text(in);
        condition.status = in.ConsumeIntegral<int>();
        condition.ownerId = in.ConsumeBool() ? QStringLiteral("null") : text(in);
        condition.excludeEnterpriseIds = texts(in);
        condition.excludeCircleIds = texts(in);
        condition.ownerType = in.ConsumeIntegralInRange(-2, 2);
        // The where-text carries the payment flag behind the document.
        const QString where = projectConditionToWhere(condition);
        const QString flag = QStringLiteral("&expandPayment=true");
        Fuzz::require(where.endsWith(flag));
        requireCompactObject(where.chopped(flag.size()));
        break;
    }
    default: {
        VHModelSetCondition condition;
        condition.allTime = in.ConsumeBool();
        condition.timeFrom = dateTime(in);
        condition.timeTo = dateTime(in);
        condition.text = text(in);
        condition.createdBy = text(in);
        condition.name = text(in);
        requireCompactObject(modelSetConditionToWhere(condition));
        break;
    }
    }
    return 0;
}
