#include "queryevaluator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>
#include <QVarLengthArray>

#include <mutex>

namespace QueryEvaluator {

namespace {

// The values a condition is tested against in one document; a query is
// tested against every document of a collection, and nearly all conditions
// reach one or two values, which then need no allocation.
using Values = QVarLengthArray<QJsonValue, 8>;

bool isOperatorObject(const QJsonValue &value)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return !object.isEmpty() && object.begin().key().startsWith(QLatin1Char('$'));
}

QString validateList(const QString &name, const QJsonValue &operand)
{
    if (!operand.isArray())
        return QStringLiteral("%1 needs an array of query documents").arg(name);
    const QJsonArray list = operand.toArray();
    if (list.isEmpty())
        return QStringLiteral("%1 needs at least one query document").arg(name);
    for (const QJsonValue &item : list) {
        if (!item.isObject())
            return QStringLiteral("%1 needs an array of query documents").arg(name);
        const QString problem = validate(item.toObject());
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

QRegularExpression::PatternOptions regexOptions(const QString &options)
{
    QRegularExpression::PatternOptions flags = QRegularExpression::NoPatternOption;
    for (const QChar option : options) {
        if (option == QLatin1Char('i'))
            flags |= QRegularExpression::CaseInsensitiveOption;
        else if (option == QLatin1Char('m'))
            flags |= QRegularExpression::MultilineOption;
        else if (option == QLatin1Char('s'))
            flags |= QRegularExpression::DotMatchesEverythingOption;
        else if (option == QLatin1Char('x'))
            flags |= QRegularExpression::ExtendedPatternSyntaxOption;
    }
    return flags;
}

QString validateOperators(const QString &field, const QJsonObject &operators)
{
    static const QStringList comparisons = {QStringLiteral("$eq"), QStringLiteral("$ne"),
                                            QStringLiteral("$gt"), QStringLiteral("$gte"),
                                            QStringLiteral("$lt"), QStringLiteral("$lte")};
    for (auto it = operators.begin(); it != operators.end(); ++it) {
        const QString name = it.key();
        const QJsonValue operand = it.value();
        if (!name.startsWith(QLatin1Char('$')))
            return QStringLiteral("condition on \"%1\" mixes operators and fields").arg(field);
        if (comparisons.contains(name))
            continue;
        if (name == QLatin1String("$in") || name == QLatin1String("$nin")) {
            if (!operand.isArray())
                return QStringLiteral("%1 on \"%2\" needs an array").arg(name, field);
        } else if (name == QLatin1String("$exists")) {
            if (!operand.isBool())
                return QStringLiteral("$exists on \"%1\" needs true or false").arg(field);
        } else if (name == QLatin1String("$regex")) {
            if (!operand.isString())
                return QStringLiteral("$regex on \"%1\" needs a text").arg(field);
            const QRegularExpression pattern(operand.toString());
            if (!pattern.isValid())
                return QStringLiteral("$regex on \"%1\" is not a valid pattern: %2")
                    .arg(field, pattern.errorString());
        } else if (name == QLatin1String("$options")) {
            if (!operators.contains(QLatin1String("$regex")))
                return QStringLiteral("$options on \"%1\" without $regex").arg(field);
            if (!operand.isString() || !QRegularExpression(QStringLiteral("^[imsx]*$"))
                                            .match(operand.toString())
                                            .hasMatch())
                return QStringLiteral("$options on \"%1\" must be letters of \"imsx\"").arg(field);
        } else {
            return QStringLiteral("unknown operator %1 on \"%2\"").arg(name, field);
        }
    }
    return QString();
}

// Values taken one kind at a time; -1 marks a kind no comparison crosses.
int kindRank(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Undefined:
    case QJsonValue::Null:
        return 0;
    case QJsonValue::Double:
        return 1;
    case QJsonValue::String:
        return 2;
    case QJsonValue::Object:
        return 3;
    case QJsonValue::Array:
        return 4;
    case QJsonValue::Bool:
        return 5;
    }
    return -1;
}

QByteArray canonical(const QJsonValue &value)
{
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
}

void collect(const QJsonValue &value, const QStringList &parts, int index, Values &out)
{
    if (index == parts.size()) {
        out.append(value);
        return;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const auto child = object.constFind(parts.at(index));
        if (child != object.constEnd())
            collect(child.value(), parts, index + 1, out);
    } else if (value.isArray()) {
        for (const QJsonValue &element : value.toArray()) {
            if (element.isObject())
                collect(element, parts, index, out);
        }
    }
}

// Adds the values `path` reaches in `document` to `out`. A path of a single
// field, the usual case, is looked up without splitting it.
void gather(const QJsonObject &document, const QString &path, Values &out)
{
    if (!path.contains(QLatin1Char('.'))) {
        const auto found = document.constFind(path);
        if (found != document.constEnd())
            out.append(found.value());
        return;
    }
    collect(document, path.split(QLatin1Char('.')), 0, out);
}

bool reaches(const QJsonObject &document, const QString &path)
{
    Values reached;
    gather(document, path, reached);
    return !reached.isEmpty();
}

// The values a field condition is tested against: those the path reaches
// and, for arrays among them, their elements. A missing field is tested as null.
void candidates(const QJsonObject &document, const QString &field, Values &values)
{
    Values reached;
    gather(document, field, reached);
    for (const QJsonValue &value : reached) {
        values.append(value);
        if (value.isArray()) {
            for (const QJsonValue &element : value.toArray())
                values.append(element);
        }
    }
    if (values.isEmpty())
        values.append(QJsonValue(QJsonValue::Null));
}

// The pattern of a "$regex" condition. A query tests it against every
// document, so it is compiled once for all of them, not once for each: the
// last one compiled is kept, shared by the server's threads (copies share
// the compiled form). Not thread_local: MinGW's runtime may free such an
// object's storage before its destructor runs when the thread ends.
QRegularExpression pattern(const QString &text, QRegularExpression::PatternOptions options)
{
    static std::mutex mutex;
    static QRegularExpression last;
    std::lock_guard<std::mutex> lock(mutex);
    if (last.pattern() != text || last.patternOptions() != options)
        last = QRegularExpression(text, options);
    return last;
}

bool equal(const QJsonValue &candidate, const QJsonValue &literal)
{
    if (literal.isNull())
        return candidate.isNull() || candidate.isUndefined();
    return candidate == literal;
}

bool anyEqual(const Values &values, const QJsonValue &literal)
{
    for (const QJsonValue &value : values) {
        if (equal(value, literal))
            return true;
    }
    return false;
}

bool anyIn(const Values &values, const QJsonArray &set)
{
    for (const QJsonValue &member : set) {
        if (anyEqual(values, member))
            return true;
    }
    return false;
}

bool anyOrdered(const Values &values, const QJsonValue &bound, bool below, bool inclusive)
{
    for (const QJsonValue &value : values) {
        if (value.isNull() || kindRank(value) != kindRank(bound))
            continue;
        const int order = compare(value, bound);
        if ((below ? order < 0 : order > 0) || (inclusive && order == 0))
            return true;
    }
    return false;
}

bool anyMatchesPattern(const Values &values, const QRegularExpression &pattern)
{
    for (const QJsonValue &value : values) {
        if (value.isString() && pattern.match(value.toString()).hasMatch())
            return true;
    }
    return false;
}

bool operatorsHold(const QJsonObject &document, const QString &field, const QJsonObject &operators)
{
    Values values;
    candidates(document, field, values);
    for (auto it = operators.begin(); it != operators.end(); ++it) {
        const QString name = it.key();
        const QJsonValue operand = it.value();
        bool holds = true;
        if (name == QLatin1String("$eq"))
            holds = anyEqual(values, operand);
        else if (name == QLatin1String("$ne"))
            holds = !anyEqual(values, operand);
        else if (name == QLatin1String("$in"))
            holds = anyIn(values, operand.toArray());
        else if (name == QLatin1String("$nin"))
            holds = !anyIn(values, operand.toArray());
        else if (name == QLatin1String("$gt"))
            holds = anyOrdered(values, operand, false, false);
        else if (name == QLatin1String("$gte"))
            holds = anyOrdered(values, operand, false, true);
        else if (name == QLatin1String("$lt"))
            holds = anyOrdered(values, operand, true, false);
        else if (name == QLatin1String("$lte"))
            holds = anyOrdered(values, operand, true, true);
        else if (name == QLatin1String("$exists"))
            holds = operand.toBool() == reaches(document, field);
        else if (name == QLatin1String("$regex"))
            holds = anyMatchesPattern(
                values,
                pattern(operand.toString(),
                        regexOptions(operators.value(QLatin1String("$options")).toString())));
        if (!holds)
            return false;
    }
    return true;
}

} // namespace

bool parse(const QString &text, QJsonObject &query, QString &error)
{
    query = QJsonObject();
    if (text.trimmed().isEmpty())
        return true;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("query is not JSON: %1 at offset %2")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("query must be a JSON object");
        return false;
    }
    error = validate(document.object());
    if (!error.isEmpty())
        return false;
    query = document.object();
    return true;
}

QString validate(const QJsonObject &query)
{
    for (auto it = query.begin(); it != query.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("$or") || key == QLatin1String("$and")) {
            const QString problem = validateList(key, it.value());
            if (!problem.isEmpty())
                return problem;
        } else if (key.startsWith(QLatin1Char('$'))) {
            return QStringLiteral("unknown top-level operator %1").arg(key);
        } else if (key.isEmpty() || key.split(QLatin1Char('.')).contains(QString())) {
            return QStringLiteral("\"%1\" is not a field path").arg(key);
        } else if (isOperatorObject(it.value())) {
            const QString problem = validateOperators(key, it.value().toObject());
            if (!problem.isEmpty())
                return problem;
        }
    }
    return QString();
}

bool matches(const QJsonObject &document, const QJsonObject &query)
{
    for (auto it = query.begin(); it != query.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("$or") || key == QLatin1String("$and")) {
            const bool any = key == QLatin1String("$or");
            bool result = !any;
            for (const QJsonValue &branch : it.value().toArray()) {
                if (matches(document, branch.toObject()) == any) {
                    result = any;
                    break;
                }
            }
            if (!result)
                return false;
        } else if (isOperatorObject(it.value())) {
            if (!operatorsHold(document, key, it.value().toObject()))
                return false;
        } else {
            Values values;
            candidates(document, key, values);
            if (!anyEqual(values, it.value()))
                return false;
        }
    }
    return true;
}

QList<QJsonValue> valuesAt(const QJsonObject &document, const QString &path)
{
    Values reached;
    gather(document, path, reached);
    QList<QJsonValue> values;
    values.reserve(reached.size());
    for (const QJsonValue &value : reached)
        values.append(value);
    return values;
}

int compare(const QJsonValue &a, const QJsonValue &b)
{
    const int rankA = kindRank(a);
    const int rankB = kindRank(b);
    if (rankA != rankB)
        return rankA < rankB ? -1 : 1;
    switch (a.type()) {
    case QJsonValue::Double: {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case QJsonValue::String:
        return a.toString().compare(b.toString());
    case QJsonValue::Bool:
        return int(a.toBool()) - int(b.toBool());
    case QJsonValue::Object:
    case QJsonValue::Array: {
        const QByteArray x = canonical(a);
        const QByteArray y = canonical(b);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    default:
        return 0;
    }
}

} // namespace QueryEvaluator
