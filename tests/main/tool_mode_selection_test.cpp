#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/arguments.h"
#include "main/tool_modes.h"

namespace qo {
namespace {

using Args = std::vector<std::string>;

TEST(ArgumentMatching, FoldsOnlyAsciiCapitalsOfTheArgument) {
    EXPECT_TRUE(argument_matches("--baixar-cliente", "--baixar-cliente"));
    EXPECT_TRUE(argument_matches("--Baixar-Cliente", "--baixar-cliente"));
    EXPECT_TRUE(argument_matches("--TESTE", "--teste"));
    EXPECT_FALSE(argument_matches("--baixar-cliente2", "--baixar-cliente"));
    EXPECT_FALSE(argument_matches("--teste ", "--teste"));
    EXPECT_FALSE(argument_matches("--test", "--teste"));
    EXPECT_FALSE(argument_matches("", "--teste"));
    // Only A-Z fold: the other byte pairs must be equal as they stand.
    EXPECT_FALSE(argument_matches("--TÉSTE", "--téste"));
    EXPECT_FALSE(argument_matches("__teste", "--teste"));
}

TEST(ArgumentMatching, TesteFlagCountsAtAnyPosition) {
    EXPECT_FALSE(has_teste_flag({}));
    EXPECT_TRUE(has_teste_flag({"--teste"}));
    EXPECT_TRUE(has_teste_flag({"x", "--TESTE"}));
    EXPECT_TRUE(has_teste_flag({"--bench", "relatorio.txt", "--Teste"}));
    EXPECT_FALSE(has_teste_flag({"--testes", "teste"}));
}

int mode_a(const Args&) { return 11; }
int mode_b(const Args&) { return 12; }

constexpr ToolMode kTable[] = {
    {"--gerar-manifesto", 2, mode_a},
    {"--baixar-cliente", 1, mode_b},
    {"--captura", 2, nullptr},
};

TEST(ToolModeSelection, FirstArgumentPicksTheModeWhenItsArgumentsAreThere) {
    const ToolMode* mode = select_tool_mode({"--Baixar-Cliente"}, kTable);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->run({}), 12);
    mode = select_tool_mode({"--gerar-manifesto", "pasta"}, kTable);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->run({}), 11);
    EXPECT_NE(select_tool_mode({"--gerar-manifesto", "pasta", "saida.json", "mais"}, kTable), nullptr);
}

TEST(ToolModeSelection, EverythingElseStartsTheLauncher) {
    EXPECT_EQ(select_tool_mode({}, kTable), nullptr);
    EXPECT_EQ(select_tool_mode({"--gerar-manifesto"}, kTable), nullptr);   // its folder is missing
    EXPECT_EQ(select_tool_mode({"--baixar-cliente2"}, kTable), nullptr);
    EXPECT_EQ(select_tool_mode({"x", "--baixar-cliente"}, kTable), nullptr);  // only the first argument counts
    EXPECT_EQ(select_tool_mode({"--captura", "saida.png"}, kTable), nullptr);  // mode not available
    EXPECT_EQ(select_tool_mode({"--teste"}, kTable), nullptr);
}

TEST(ToolModeSelection, TableNamesEveryModeWithWhatItNeeds) {
    const std::vector<std::pair<std::string_view, std::size_t>> expected = {
        {"--gerar-manifesto", 2}, {"--baixar-cliente", 1}, {"--testar-atualizacao", 1}, {"--bench", 2},
        {"--captura", 2}, {"--caixa-de-mensagem", 5}};
    const auto table = tool_modes();
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table[i].word, expected[i].first);
        EXPECT_EQ(table[i].min_arguments, expected[i].second) << table[i].word;
    }
}

}  // namespace
}  // namespace qo
