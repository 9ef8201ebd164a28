#ifndef VHRECORD_H
#define VHRECORD_H

#include <QDebug>

#include <type_traits>

/// @file
/// What every record of the library shares. A record is a plain value type
/// that lists its fields once, in declaration order, in a static
/// `visitFields(visit)` calling `visit("name", &Record::name)` for each field.
/// Equality and debug output below are built from that list, and a client can
/// build its own serialisers from it the same way.

namespace VHRecord {

namespace Detail {
struct AnyField
{
    template<typename Record, typename Field> void operator()(const char *, Field Record::*) const
    {}
};
} // namespace Detail

/// Whether `T` is a record: whether it lists its fields.
template<typename T, typename = void> struct IsRecord : std::false_type
{
};
template<typename T>
struct IsRecord<T, std::void_t<decltype(T::visitFields(Detail::AnyField()))>> : std::true_type
{
};
template<typename T> constexpr bool isRecord = IsRecord<T>::value;

} // namespace VHRecord

/// Two records are equal when every field is.
template<typename Record>
std::enable_if_t<VHRecord::isRecord<Record>, bool> operator==(const Record &a, const Record &b)
{
    bool equal = true;
    Record::visitFields([&](const char *, auto field) { equal = equal && a.*field == b.*field; });
    return equal;
}

template<typename Record>
std::enable_if_t<VHRecord::isRecord<Record>, bool> operator!=(const Record &a, const Record &b)
{
    return !(a == b);
}

/// Writes the fields that differ from a default record, named, for logs and
/// test failures: `(id="p1", status=2)`; a default record writes `()`.
template<typename Record>
std::enable_if_t<VHRecord::isRecord<Record>, QDebug> operator<<(QDebug debug, const Record &record)
{
    const QDebugStateSaver saver(debug);
    const Record defaults{};
    const char *separator = "";
    debug.nospace() << '(';
    Record::visitFields([&](const char *name, auto field) {
        if (record.*field == defaults.*field)
            return;
        debug << separator << name << '=' << record.*field;
        separator = ", ";
    });
    debug << ')';
    return debug;
}

#endif // VHRECORD_H
