#include "util/json_record.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <nlohmann/json.hpp>

#include "util/text.h"
#include "util/utf16.h"

namespace qo::json {
namespace {

using Json = nlohmann::json;

// Arrays and objects may nest this many levels minus one.
constexpr std::size_t depth_limit = 128;

// Walks the input for the JSON lexer and remembers how far it has read, which gives error positions.
class CountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, const char** furthest) : at_(at), furthest_(furthest) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        ++at_;
        if (at_ > *furthest_) *furthest_ = at_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

private:
    const char* at_;
    const char** furthest_;
};

// " at line L column C" for the character that ends at byte `end` (the column counts bytes of its line).
std::string position_suffix(std::string_view text, std::size_t end) {
    end = std::min(end, text.size());
    const std::string_view before = text.substr(0, end);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t last_newline = before.rfind('\n');
    const std::size_t column = last_newline == std::string_view::npos ? end : end - last_newline - 1;
    return fmt::format(" at line {} column {}", line, column);
}

std::string quoted_for_message(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// ---- numbers beyond the range of a double ----
// The JSON library stops the whole parse at a number too large for a double, even under a key the record skips.
// Such numbers are blanked before parsing (spaces ending in "0", the same length, so every position stays) and
// the reader, which knows where each one ended, skips it or reports it with its own text.

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view text, std::size_t at) {
    while (at < text.size() && is_digit(text[at])) ++at;
    return at;
}

// The end of the JSON number token that starts at `at` (the lexer's grammar), or npos when none does.
std::size_t number_token_end(std::string_view text, std::size_t at) {
    if (at < text.size() && text[at] == '-') ++at;
    if (at >= text.size() || !is_digit(text[at])) return std::string_view::npos;
    at = text[at] == '0' ? at + 1 : skip_digits(text, at);
    if (at < text.size() && text[at] == '.') {
        if (at + 1 >= text.size() || !is_digit(text[at + 1])) return std::string_view::npos;
        at = skip_digits(text, at + 1);
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (at >= text.size() || !is_digit(text[at])) return std::string_view::npos;
        at = skip_digits(text, at);
    }
    return at;
}

// The power of ten of a number's first significant digit, its exponent saturated far beyond any double's.
long long decimal_magnitude(std::string_view token) {
    const std::size_t e = token.find_first_of("eE");
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = token.substr(e + 1);
        const bool negative = digits.starts_with('-');
        if (digits.starts_with('-') || digits.starts_with('+')) digits.remove_prefix(1);
        for (char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 1'000'000'000LL);
        if (negative) exponent = -exponent;
    }
    const std::string_view mantissa = token.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;  // zero
    const auto first_at = static_cast<long long>(first);
    const auto point_at = static_cast<long long>(point);
    return exponent + (first < point ? point_at - first_at - 1 : point_at - first_at);
}

// True for a number whose magnitude exceeds the largest double (one too small for a double reads as 0).
bool overflows_double(std::string_view token) {
    double value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    return result.ec == std::errc::result_out_of_range && decimal_magnitude(token) > 0;
}

struct TokenSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The number tokens outside strings that exceed a double, in text order.
std::vector<TokenSpan> overflowing_numbers(std::string_view text) {
    std::vector<TokenSpan> spans;
    bool in_string = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (in_string) {
            if (c == '\\') {
                ++at;
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '-' || is_digit(c)) {
            const std::size_t end = number_token_end(text, at);
            if (end == std::string_view::npos) continue;
            if (overflows_double(text.substr(at, end - at))) spans.push_back({at, end});
            at = end - 1;
        }
    }
    return spans;
}

// The text with each of the spans blanked to spaces and a final "0".
std::string blank_numbers(std::string_view text, const std::vector<TokenSpan>& spans) {
    std::string out(text);
    for (const TokenSpan& span : spans) {
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(span.begin),
                  out.begin() + static_cast<std::ptrdiff_t>(span.end) - 1, ' ');
        out[span.end - 1] = '0';
    }
    return out;
}

// A library message without its "[json.exception.<kind>.<id>] " tag.
std::string without_library_tag(std::string message) {
    if (message.starts_with("[json.exception.")) {
        const std::size_t close = message.find("] ");
        if (close != std::string::npos) message.erase(0, close + 2);
    }
    return message;
}

// What a record field or list element expects next.
enum class Expect { record, text, flag, size, list, optional_record, skip };

struct Frame {
    enum class Kind { object_record, array_record, list, skip };
    Kind kind = Kind::skip;
    bool object = false;               // a JSON object (else an array)
    const RecordType* type = nullptr;  // records: the record's type; lists: the element type
    void* target = nullptr;            // records: the record object; lists: the list member
    const Field* list_field = nullptr;
    std::vector<bool> seen;              // object form: declared fields met so far
    std::size_t next_index = 0;          // array form: the field the next element fills
    const Field* pending = nullptr;      // object form: the field whose value comes next (none: skip it)
};

class RecordReader {
public:
    // `text` is the parsed text, its out-of-range numbers blanked; they ended at the sorted `out_of_range_ends`.
    RecordReader(std::string_view text, std::vector<std::size_t> out_of_range_ends, const RecordType& root, void* out,
                 const char** furthest)
        : text_(text),
          out_of_range_ends_(std::move(out_of_range_ends)),
          root_type_(&root),
          root_target_(out),
          furthest_(furthest) {}

    const std::string& error() const { return error_; }

    // ---- SAX interface ----
    bool null() { return scalar(Scalar{.kind = Scalar::Type::null}); }
    bool boolean(bool v) { return scalar(Scalar{.kind = Scalar::Type::boolean, .boolean = v}); }
    bool number_integer(Json::number_integer_t v) {
        return number(Scalar{.kind = Scalar::Type::integer, .integer = v});
    }
    bool number_unsigned(Json::number_unsigned_t v) {
        return number(Scalar{.kind = Scalar::Type::unsigned_integer, .unsigned_integer = v});
    }
    bool number_float(Json::number_float_t, const Json::string_t& raw) {
        return number(Scalar{.kind = Scalar::Type::floating, .text = raw});
    }
    bool string(Json::string_t& v) { return scalar(Scalar{.kind = Scalar::Type::string, .text = std::move(v)}); }
    bool binary(Json::binary_t&) { return fail("invalid type: byte array"); }

    bool start_object(std::size_t) { return start_container(true); }
    bool start_array(std::size_t) { return start_container(false); }
    bool end_object() { return end_container(); }
    bool end_array() { return end_container(); }

    bool key(Json::string_t& name) {
        value_is_number_ = false;
        Frame& top = stack_.back();
        if (top.kind != Frame::Kind::object_record) return true;
        top.pending = nullptr;
        const auto& fields = top.type->fields;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].key != name) continue;
            if (top.seen[i]) return fail(fmt::format("duplicate field `{}`", name));
            top.seen[i] = true;
            top.pending = &fields[i];
            break;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
        if (root_done_) {
            // The root value was complete: whatever made the parser stop follows it.
            std::size_t at = root_end_;
            while (at < text_.size() && (text_[at] == ' ' || text_[at] == '\t' || text_[at] == '\n' ||
                                         text_[at] == '\r')) {
                ++at;
            }
            error_ = "trailing characters" + position_suffix(text_, at + 1);
            return false;
        }
        const std::string what = without_library_tag(ex.what());
        std::string message;
        if (what.find("unexpected end of input") != std::string::npos) {
            message = stack_.empty()          ? "EOF while parsing a value"
                      : stack_.back().object ? "EOF while parsing an object"
                                             : "EOF while parsing a list";
        } else if (ex.id == 406) {
            message = "number out of range";  // not blanked beforehand: the lexer saw a different token
        } else {
            // "parse error at line 1, column 2: syntax error while parsing value - invalid literal; last read:
            // 'x'" keeps its description only.
            message = what;
            const std::size_t colon = message.find(": ");
            if (colon != std::string::npos) message.erase(0, colon + 2);
            const std::size_t dash = message.find(" - ");
            if (message.starts_with("syntax error") && dash != std::string::npos) message.erase(0, dash + 3);
        }
        error_ = message + position_suffix(text_, consumed());
        return false;
    }

private:
    struct Scalar {
        enum class Type { null, boolean, integer, unsigned_integer, floating, out_of_range, string };
        Type kind = Type::null;
        bool boolean = false;
        std::int64_t integer = 0;
        std::uint64_t unsigned_integer = 0;
        std::string text{};  // strings, and the literal form of floating-point numbers
    };

    struct Slot {
        Expect expect = Expect::skip;
        const Field* field = nullptr;
        const RecordType* type = nullptr;  // Expect::record
        void* target = nullptr;            // the member, or for Expect::record the list or root holder
        bool list_element = false;
    };

    // A number the parser saw as the "0" of a blanked out-of-range number becomes that number again.
    bool number(Scalar v) {
        value_is_number_ = true;
        if (std::binary_search(out_of_range_ends_.begin(), out_of_range_ends_.end(), end_of_number())) {
            v = Scalar{.kind = Scalar::Type::out_of_range};
        }
        return scalar(std::move(v));
    }

    std::size_t consumed() const { return static_cast<std::size_t>(*furthest_ - text_.data()); }

    // The lexer reads one character past a number before it reports it; positions point at its last digit.
    std::size_t end_of_number() const {
        std::size_t end = consumed();
        while (end > 0 && std::string_view("0123456789+-.eE").find(text_[end - 1]) == std::string_view::npos) --end;
        return end;
    }

    bool fail(std::string message) {
        if (error_.empty()) {
            error_ = std::move(message) + position_suffix(text_, value_is_number_ ? end_of_number() : consumed());
        }
        return false;
    }

    static Expect expect_of(FieldKind kind) {
        switch (kind) {
            case FieldKind::text: return Expect::text;
            case FieldKind::flag: return Expect::flag;
            case FieldKind::size: return Expect::size;
            case FieldKind::record_list: return Expect::list;
            case FieldKind::record: return Expect::optional_record;
        }
        return Expect::skip;
    }

    // Decides what the value that starts now fills. False (with the error set) when nothing may come here.
    bool next_slot(Slot& slot) {
        if (stack_.empty()) {
            slot = Slot{.expect = Expect::record, .type = root_type_, .target = root_target_};
            return true;
        }
        Frame& top = stack_.back();
        switch (top.kind) {
            case Frame::Kind::skip:
                slot = Slot{};
                return true;
            case Frame::Kind::list:
                slot = Slot{.expect = Expect::record, .type = top.type, .target = top.target, .list_element = true};
                return true;
            case Frame::Kind::object_record:
                if (!top.pending) {
                    slot = Slot{};
                    return true;
                }
                slot = Slot{.expect = expect_of(top.pending->kind), .field = top.pending,
                            .target = top.pending->member(top.target)};
                top.pending = nullptr;
                return true;
            case Frame::Kind::array_record: {
                const auto& fields = top.type->fields;
                if (top.next_index >= fields.size()) {
                    return fail(fmt::format("invalid length {}, expected fewer elements in array", fields.size() + 1));
                }
                const Field& field = fields[top.next_index++];
                slot = Slot{.expect = expect_of(field.kind), .field = &field, .target = field.member(top.target)};
                return true;
            }
        }
        return true;
    }

    static std::string describe(const Scalar& v) {
        switch (v.kind) {
            case Scalar::Type::null: return "null";
            case Scalar::Type::boolean: return fmt::format("boolean `{}`", v.boolean);
            case Scalar::Type::integer: return fmt::format("integer `{}`", v.integer);
            case Scalar::Type::unsigned_integer: return fmt::format("integer `{}`", v.unsigned_integer);
            case Scalar::Type::floating: return fmt::format("floating point `{}`", v.text);
            case Scalar::Type::out_of_range: return "number out of range";
            case Scalar::Type::string: return "string " + quoted_for_message(v.text);
        }
        return "value";
    }

    static std::string expected_text(const Slot& slot) {
        switch (slot.expect) {
            case Expect::record: return fmt::format("struct {}", slot.type->name);
            case Expect::optional_record: return fmt::format("struct {}", slot.field->nested().name);
            case Expect::text: return "a string";
            case Expect::flag: return "a boolean";
            case Expect::size: return "u64";
            case Expect::list: return "a sequence";
            case Expect::skip: break;
        }
        return "a value";
    }

    bool invalid_type(const std::string& found, const Slot& slot) {
        return fail(fmt::format("invalid type: {}, expected {}", found, expected_text(slot)));
    }

    bool scalar(Scalar v) {
        value_is_number_ = v.kind == Scalar::Type::integer || v.kind == Scalar::Type::unsigned_integer ||
                           v.kind == Scalar::Type::floating || v.kind == Scalar::Type::out_of_range;
        Slot slot;
        if (!next_slot(slot)) return false;
        if (slot.expect == Expect::skip) return true;
        if (v.kind == Scalar::Type::out_of_range) return fail("number out of range");
        switch (slot.expect) {
            case Expect::skip:
                return true;
            case Expect::text:
                if (v.kind == Scalar::Type::null) return true;
                if (v.kind != Scalar::Type::string) break;
                *static_cast<std::optional<std::string>*>(slot.target) = std::move(v.text);
                return true;
            case Expect::flag:
                if (v.kind != Scalar::Type::boolean) break;
                *static_cast<bool*>(slot.target) = v.boolean;
                return true;
            case Expect::size:
                if (v.kind == Scalar::Type::unsigned_integer) {
                    *static_cast<std::uint64_t*>(slot.target) = v.unsigned_integer;
                    return true;
                }
                if (v.kind == Scalar::Type::integer) {
                    if (v.integer >= 0) {
                        *static_cast<std::uint64_t*>(slot.target) = static_cast<std::uint64_t>(v.integer);
                        return true;
                    }
                    return fail(fmt::format("invalid value: integer `{}`, expected u64", v.integer));
                }
                break;
            case Expect::list:
            case Expect::optional_record:
                if (v.kind == Scalar::Type::null) return true;
                break;
            case Expect::record:
                break;
        }
        return invalid_type(describe(v), slot);
    }

    bool start_container(bool object) {
        value_is_number_ = false;
        if (stack_.size() + 1 >= depth_limit) return fail("recursion limit exceeded");
        Slot slot;
        if (!next_slot(slot)) return false;
        Frame frame;
        frame.object = object;
        switch (slot.expect) {
            case Expect::skip:
                frame.kind = Frame::Kind::skip;
                break;
            case Expect::record:
            case Expect::optional_record: {
                const RecordType& type = slot.expect == Expect::record ? *slot.type : slot.field->nested();
                void* target = slot.target;
                if (slot.list_element) {
                    target = stack_.back().list_field->add_element(slot.target);
                } else if (slot.expect == Expect::optional_record) {
                    target = slot.field->add_element(slot.target);
                }
                frame.kind = object ? Frame::Kind::object_record : Frame::Kind::array_record;
                frame.type = &type;
                frame.target = target;
                if (object) frame.seen.assign(type.fields.size(), false);
                break;
            }
            case Expect::list:
                if (object) return invalid_type("map", slot);
                slot.field->make_present(slot.target);
                frame.kind = Frame::Kind::list;
                frame.type = &slot.field->nested();
                frame.target = slot.target;
                frame.list_field = slot.field;
                break;
            default:
                return invalid_type(object ? "map" : "sequence", slot);
        }
        stack_.push_back(std::move(frame));
        return true;
    }

    bool end_container() {
        stack_.pop_back();
        if (stack_.empty()) {
            root_done_ = true;
            root_end_ = consumed();
        }
        return true;
    }

    std::string_view text_;
    std::vector<std::size_t> out_of_range_ends_;
    const RecordType* root_type_;
    void* root_target_;
    const char** furthest_;
    std::vector<Frame> stack_;
    bool root_done_ = false;
    bool value_is_number_ = false;
    std::size_t root_end_ = 0;
    std::string error_;
};

// ---- writing ----

void append_json_string(std::string& out, std::string_view raw) {
    // The document must stay valid UTF-8 even when a text was built from arbitrary bytes.
    const std::string repaired = is_valid_utf8(raw) ? std::string() : utf8_lossy(raw);
    const std::string_view s = repaired.empty() ? raw : std::string_view(repaired);
    out.push_back('"');
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(s.substr(run, i - run));
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        }
    }
    out.append(s.substr(run));
    out.push_back('"');
}

void append_indent(std::string& out, int level) { out.append(static_cast<std::size_t>(level) * 2, ' '); }

void append_record(std::string& out, const RecordType& type, const void* record, int level);

void append_field_value(std::string& out, const Field& field, const void* member, int level) {
    switch (field.kind) {
        case FieldKind::text: {
            const auto& text = *static_cast<const std::optional<std::string>*>(member);
            if (text) {
                append_json_string(out, *text);
            } else {
                out += "null";
            }
            return;
        }
        case FieldKind::flag: out += *static_cast<const bool*>(member) ? "true" : "false"; return;
        case FieldKind::size: out += fmt::format("{}", *static_cast<const std::uint64_t*>(member)); return;
        case FieldKind::record:
            if (field.present(member)) {
                append_record(out, field.nested(), field.element(member, 0), level);
            } else {
                out += "null";
            }
            return;
        case FieldKind::record_list: {
            if (!field.present(member)) {
                out += "null";
                return;
            }
            const std::size_t count = field.element_count(member);
            if (count == 0) {
                out += "[]";
                return;
            }
            out += "[\n";
            for (std::size_t i = 0; i < count; ++i) {
                append_indent(out, level + 1);
                append_record(out, field.nested(), field.element(member, i), level + 1);
                out += i + 1 < count ? ",\n" : "\n";
            }
            append_indent(out, level);
            out += "]";
            return;
        }
    }
}

bool is_written(const Field& field, const void* record) {
    return field.kind != FieldKind::flag || field.flag_write != FlagWrite::omit_when_false ||
           *static_cast<const bool*>(field.member_const(record));
}

void append_record(std::string& out, const RecordType& type, const void* record, int level) {
    std::size_t remaining = 0;
    for (const Field& field : type.fields) remaining += is_written(field, record) ? 1 : 0;
    if (remaining == 0) {
        out += "{}";
        return;
    }
    out += "{\n";
    for (const Field& field : type.fields) {
        if (!is_written(field, record)) continue;
        append_indent(out, level + 1);
        append_json_string(out, field.key);
        out += ": ";
        append_field_value(out, field, field.member_const(record), level + 1);
        out += --remaining > 0 ? ",\n" : "\n";
    }
    append_indent(out, level);
    out += "}";
}

}  // namespace

std::expected<void, std::string> read_record_into(std::string_view text, const RecordType& type, void* out,
                                                  const ReadOptions& options) {
    if (options.skip_utf8_bom) text = strip_utf8_bom(text);
    // The JSON lexer would skip a byte-order mark on its own; here one is only welcome when asked for.
    if (text.starts_with("\xEF\xBB\xBF")) return std::unexpected("expected value" + position_suffix(text, 1));

    const std::vector<TokenSpan> out_of_range = overflowing_numbers(text);
    std::vector<std::size_t> out_of_range_ends;
    std::string blanked;
    if (!out_of_range.empty()) {
        for (const TokenSpan& span : out_of_range) out_of_range_ends.push_back(span.end);
        blanked = blank_numbers(text, out_of_range);
        text = blanked;
    }

    const char* furthest = text.data();
    RecordReader reader(text, std::move(out_of_range_ends), type, out, &furthest);
    bool ok = false;
    try {
        ok = Json::sax_parse(CountingIterator(text.data(), &furthest),
                             CountingIterator(text.data() + text.size(), &furthest), &reader);
    } catch (const std::exception& ex) {
        const auto at = static_cast<std::size_t>(furthest - text.data());
        return std::unexpected(without_library_tag(ex.what()) + position_suffix(text, at));
    }
    if (!ok) {
        if (reader.error().empty()) return std::unexpected("invalid document" + position_suffix(text, text.size()));
        return std::unexpected(reader.error());
    }
    return {};
}

std::string write_record_pretty(const RecordType& type, const void* record) {
    std::string out;
    append_record(out, type, record, 0);
    return out;
}

}  // namespace qo::json
