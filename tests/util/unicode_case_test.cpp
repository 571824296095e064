#include "util/unicode_case.h"

#include <gtest/gtest.h>

namespace qo {
namespace {

struct CaseRow {
    const char* text;
    const char* upper;
    const char* lower;
};

TEST(UnicodeCase, MapsLatinGreekAndCyrillicBothWays) {
    const CaseRow rows[] = {
        {"novidades", "NOVIDADES", "novidades"},
        {"configuração", "CONFIGURAÇÃO", "configuração"},
        {"Ótimo Ênio Ü", "ÓTIMO ÊNIO Ü", "ótimo ênio ü"},
        {"ÿ Ÿ", "Ÿ Ÿ", "ÿ ÿ"},
        {"Łódź Ğ", "ŁÓDŹ Ğ", "łódź ğ"},
        {"Straße", "STRASSE", "straße"},
        {"ŉ", "\xCA\xBCN", "ŉ"},
        {"Σίσυφος", "ΣΊΣΥΦΟΣ", "σίσυφος"},
        {"Привет Ёж", "ПРИВЕТ ЁЖ", "привет ёж"},
        {"DISCORD", "DISCORD", "discord"},
        {"1 × 2 ÷ 3 · €", "1 × 2 ÷ 3 · €", "1 × 2 ÷ 3 · €"},
        {"İ", "İ", "i\xCC\x87"},
        {"ı", "I", "ı"},
    };
    for (const CaseRow& row : rows) {
        EXPECT_EQ(unicode_uppercase(row.text), row.upper) << row.text;
        EXPECT_EQ(unicode_lowercase(row.text), row.lower) << row.text;
    }
}

TEST(UnicodeCase, KeepsIllFormedBytes) {
    const std::string bad = "a\xC3(b\xFF";
    EXPECT_EQ(unicode_uppercase(bad), "A\xC3(B\xFF");
    EXPECT_EQ(unicode_lowercase("A\xE2\x82"), "a\xE2\x82");
}

}  // namespace
}  // namespace qo
