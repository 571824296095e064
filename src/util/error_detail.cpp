#include "util/error_detail.h"

namespace qo {
namespace {

constexpr char DETAIL_BEGIN = '\x1e';
constexpr char DETAIL_END = '\x1f';

}  // namespace

std::string with_error_detail(std::string_view text, std::string_view detail) {
    std::string out(text);
    if (detail.empty()) return out;
    out += DETAIL_BEGIN;
    for (char c : detail) {
        if (c != DETAIL_BEGIN && c != DETAIL_END) out += c;
    }
    out += DETAIL_END;
    return out;
}

std::string shown_error_text(std::string_view text) {
    std::string out;
    bool in_detail = false;
    for (char c : text) {
        if (c == DETAIL_BEGIN || c == DETAIL_END) {
            in_detail = c == DETAIL_BEGIN;
        } else if (!in_detail) {
            out += c;
        }
    }
    return out;
}

std::string logged_error_text(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == DETAIL_BEGIN) {
            out += " (";
        } else if (c == DETAIL_END) {
            out += ')';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace qo
