#ifndef VHPD_SANDBOX_QUERYEVALUATOR_H
#define VHPD_SANDBOX_QUERYEVALUATOR_H

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

// MongoDB-style query documents as the service's clients send them: field
// conditions that are literals or operator objects ("$eq", "$ne", "$in",
// "$nin", "$gt", "$gte", "$lt", "$lte", "$regex" with "$options", "$exists"),
// dotted paths into sub-documents and arrays of them ("properties.key"), and
// "$or" / "$and" over lists of such documents. All functions are pure.
namespace QueryEvaluator {

// Reads the text of a query document; false with a reason when it is not a
// JSON object or uses something this evaluator does not understand. An empty
// text is the empty query, which every document satisfies.
bool parse(const QString &text, QJsonObject &query, QString &error);

// The reason `query` cannot be evaluated, or an empty string when it can.
QString validate(const QJsonObject &query);

// Whether `document` satisfies `query`; `query` must have passed validate().
bool matches(const QJsonObject &document, const QJsonObject &query);

// The values a dotted path reaches in `document`: through sub-documents and
// through every element of arrays of sub-documents. Empty when it reaches none.
QList<QJsonValue> valuesAt(const QJsonObject &document, const QString &path);

// Orders two values the way a sort on a field does: missing and null first,
// then numbers, strings, objects, arrays and booleans; within a kind by value.
int compare(const QJsonValue &a, const QJsonValue &b);

} // namespace QueryEvaluator

#endif // VHPD_SANDBOX_QUERYEVALUATOR_H
