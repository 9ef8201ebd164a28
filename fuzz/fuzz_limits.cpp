// The count that stands between a reply and Qt's JSON parser. It must never
// fall below what the parser builds from the same bytes, whatever they are:
// a reply that slipped under the record limit that way could still cost
// twenty times its size once parsed.
#include "fuzzsupport.h"

#include "core/platform/replylimits.h"

#include <limits>

namespace {

// What Qt's parser built: every object and array, and every element and
// member (a member holds its key as a value of its own).
struct Built
{
    qint64 containers = 0;
    qint64 values = 0;
};

void count(const QJsonValue &value, Built &built)
{
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        ++built.containers;
        built.values += array.size();
        for (const QJsonValue &element : array)
            count(element, built);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        ++built.containers;
        built.values += 2 * qint64(object.size());
        for (auto it = object.begin(); it != object.end(); ++it)
            count(it.value(), built);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const JsonShape shape = measureJson(reinterpret_cast<const char *>(data), qint64(size));
    Fuzz::require(shape.containers >= 0 && shape.values >= shape.containers);

    const QJsonDocument document = Fuzz::document(data, size);
    if (!document.isNull()) {
        Built built;
        count(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()),
              built);
        Fuzz::require(shape.containers >= built.containers && shape.values >= built.values);
    }

    // The limit lets through exactly what it counts and no more.
    const int generous = std::numeric_limits<int>::max() / int(kValuesPerRecord);
    Fuzz::require(recordLimitBreach(shape, generous).isEmpty());
    if (shape.containers > 0)
        Fuzz::require(!recordLimitBreach(shape, int(shape.containers - 1)).isEmpty());
    return 0;
}
