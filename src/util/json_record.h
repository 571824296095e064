#pragma once
// Typed JSON records: one reader and one pretty writer shared by every JSON document of the launcher.
//
// A record type is a C++ struct plus a declared list of fields. To make a struct readable and writable,
// specialise RecordTraits with a `type()` that returns its declaration:
//
//     template <> struct json::RecordTraits<LauncherLink> {
//         static const json::RecordType& type() {
//             static const json::RecordType t{"LauncherLink", {
//                 json::text<&LauncherLink::text>("Text"),
//                 json::text<&LauncherLink::url>("Url"),
//             }};
//             return t;
//         }
//     };
//
// Member kinds: std::optional<std::string> (text), bool (flag), std::uint64_t (size),
// std::optional<std::vector<R>> (list of records) and std::optional<R> (record), R being a record type.
//
// Reading rules: a record is a JSON object (keys compared exactly, any order) or an array of its fields in
// declared order (fewer elements leave the rest absent, more are an error). No key is required; unknown keys
// are skipped whatever their value; a declared key given twice is an error ("duplicate field `X`"). null means
// absent for texts, lists and records; a flag must be true or false and a size a non-negative integer that
// fits in 64 bits (null is an error for both). A number beyond the range of a double is skipped like any value
// under an unknown key and is an error ("number out of range") where a field takes it. Strings must be valid UTF-8; arrays and objects may nest 127
// levels deep, not 128; only white space may follow the document. Every error message ends with
// " at line L column C".
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace qo::json {

struct RecordType;

// Specialise for every record type: `static const RecordType& type();`.
template <class T>
struct RecordTraits;

enum class FieldKind { text, flag, size, record_list, record };

// How the writer treats a flag.
enum class FlagWrite { always, omit_when_false };

// One declared field, with type-erased access to its member. Made by text(), flag(), size(), record_list()
// and record() below.
struct Field {
    std::string_view key;
    FieldKind kind = FieldKind::text;
    FlagWrite flag_write = FlagWrite::always;
    void* (*member)(void* record) = nullptr;
    const void* (*member_const)(const void* record) = nullptr;
    // Records and lists of records: the nested record type.
    const RecordType& (*nested)() = nullptr;
    // Records and lists: presence, engaging an empty value, adding a default element (the list's new last
    // element, or the engaged record) and reading elements (a present record has exactly one).
    bool (*present)(const void* member) = nullptr;
    void (*make_present)(void* member) = nullptr;
    void* (*add_element)(void* member) = nullptr;
    std::size_t (*element_count)(const void* member) = nullptr;
    const void* (*element)(const void* member, std::size_t index) = nullptr;
};

// A record type: its name as error messages show it ("struct <name>") and its fields in declared order (the
// order of keys when written and of elements in the array form).
struct RecordType {
    std::string_view name;
    std::vector<Field> fields;
};

struct ReadOptions {
    // Skip a leading UTF-8 byte-order mark; when false a byte-order mark is a syntax error.
    bool skip_utf8_bom = false;
};

// Reads a whole document as a record of `type` into `*out` (a default-constructed object of that type).
// On error `*out` may hold part of the document and must be discarded.
std::expected<void, std::string> read_record_into(std::string_view text, const RecordType& type, void* out,
                                                  const ReadOptions& options = {});

// Writes a record in pretty form: two spaces per level, one member per line, `"key": value`, absent values as
// null, [] for an empty list. Only quote, backslash and control characters are escaped. No final line feed.
std::string write_record_pretty(const RecordType& type, const void* record);

template <class T>
std::expected<T, std::string> read_record(std::string_view text, const ReadOptions& options = {}) {
    T value{};
    auto done = read_record_into(text, RecordTraits<T>::type(), &value, options);
    if (!done) return std::unexpected(std::move(done.error()));
    return value;
}

template <class T>
std::string write_record(const T& value) {
    return write_record_pretty(RecordTraits<T>::type(), &value);
}

// ---- field declarations ----

namespace detail {

template <class M>
struct MemberPointer;
template <class R, class V>
struct MemberPointer<V R::*> {
    using record = R;
    using value = V;
};

template <class T>
struct OptionalValue;
template <class T>
struct OptionalValue<std::optional<T>> {
    using type = T;
};

template <auto Member>
void* member_of(void* record) {
    using R = typename MemberPointer<decltype(Member)>::record;
    return &(static_cast<R*>(record)->*Member);
}

template <auto Member>
const void* member_of_const(const void* record) {
    using R = typename MemberPointer<decltype(Member)>::record;
    return &(static_cast<const R*>(record)->*Member);
}

template <auto Member>
Field basic_field(std::string_view key, FieldKind kind) {
    Field f;
    f.key = key;
    f.kind = kind;
    f.member = &member_of<Member>;
    f.member_const = &member_of_const<Member>;
    return f;
}

template <class R>
const RecordType& record_type_of() {
    return RecordTraits<R>::type();
}

}  // namespace detail

template <auto Member>
Field text(std::string_view key) {
    static_assert(std::is_same_v<typename detail::MemberPointer<decltype(Member)>::value, std::optional<std::string>>,
                  "a text field is a std::optional<std::string>");
    return detail::basic_field<Member>(key, FieldKind::text);
}

template <auto Member>
Field flag(std::string_view key, FlagWrite write = FlagWrite::always) {
    static_assert(std::is_same_v<typename detail::MemberPointer<decltype(Member)>::value, bool>, "a flag is a bool");
    Field f = detail::basic_field<Member>(key, FieldKind::flag);
    f.flag_write = write;
    return f;
}

template <auto Member>
Field size(std::string_view key) {
    static_assert(std::is_same_v<typename detail::MemberPointer<decltype(Member)>::value, std::uint64_t>,
                  "a size is a std::uint64_t");
    return detail::basic_field<Member>(key, FieldKind::size);
}

template <auto Member>
Field record_list(std::string_view key) {
    using List = typename detail::OptionalValue<typename detail::MemberPointer<decltype(Member)>::value>::type;
    using Opt = std::optional<List>;
    using Element = typename List::value_type;
    static_assert(std::is_same_v<List, std::vector<Element>>, "a list is a std::optional<std::vector<R>>");
    Field f = detail::basic_field<Member>(key, FieldKind::record_list);
    f.nested = &detail::record_type_of<Element>;
    f.present = [](const void* m) { return static_cast<const Opt*>(m)->has_value(); };
    f.make_present = [](void* m) {
        auto& o = *static_cast<Opt*>(m);
        if (!o) o.emplace();
    };
    f.add_element = [](void* m) -> void* {
        auto& o = *static_cast<Opt*>(m);
        if (!o) o.emplace();
        return &o->emplace_back();
    };
    f.element_count = [](const void* m) -> std::size_t {
        const auto& o = *static_cast<const Opt*>(m);
        return o ? o->size() : 0;
    };
    f.element = [](const void* m, std::size_t i) -> const void* { return &(**static_cast<const Opt*>(m))[i]; };
    return f;
}

template <auto Member>
Field record(std::string_view key) {
    using Opt = typename detail::MemberPointer<decltype(Member)>::value;
    using R = typename detail::OptionalValue<Opt>::type;
    Field f = detail::basic_field<Member>(key, FieldKind::record);
    f.nested = &detail::record_type_of<R>;
    f.present = [](const void* m) { return static_cast<const Opt*>(m)->has_value(); };
    f.make_present = [](void* m) {
        auto& o = *static_cast<Opt*>(m);
        if (!o) o.emplace();
    };
    f.add_element = [](void* m) -> void* { return &static_cast<Opt*>(m)->emplace(); };
    f.element_count = [](const void* m) -> std::size_t { return static_cast<const Opt*>(m)->has_value() ? 1 : 0; };
    f.element = [](const void* m, std::size_t) -> const void* { return &**static_cast<const Opt*>(m); };
    return f;
}

}  // namespace qo::json
