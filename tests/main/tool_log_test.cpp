#include "main/tool_log.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/temp_dir.h"

namespace qo {
namespace {

using test::TempDir;

JobProgress status(std::string text, std::string detail = {}) {
    return JobProgress{.text = std::move(text), .detail = std::move(detail)};
}

TEST(StatusLog, RepeatedStatusGivesOneLine) {
    ProgressLog log;
    for (int i = 0; i < 3; ++i) status_log_record(log, status("Verificando arquivos..."));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Verificando arquivos..."}));
}

TEST(StatusLog, DetailsJoinWithOneBlankAndDownloadsRepeatPerDetail) {
    ProgressLog log;
    status_log_record(log, status("Baixando atualização...", "Data/a.bin"));
    status_log_record(log, status("Baixando atualização...", "Data/a.bin"));  // already in the list
    status_log_record(log, status("Baixando atualização...", "Data/b.bin"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Baixando atualização... Data/a.bin",
                                                   "Baixando atualização... Data/b.bin"}));
    EXPECT_EQ(log.last_key, "Baixando atualização...");
}

TEST(StatusLog, RepeatedStatusKeepsItsFirstDetailOnly) {
    ProgressLog log;
    status_log_record(log, status("Verificando arquivos..."));
    status_log_record(log, status("Verificando arquivos...", "Data/x.bin"));  // same text as the last one
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Verificando arquivos..."}));
}

TEST(StatusLog, ReturningStatusAddsNoSecondLine) {
    ProgressLog log;
    status_log_record(log, status("Buscando atualizações..."));
    status_log_record(log, status("Verificando arquivos..."));
    status_log_record(log, status("Buscando atualizações..."));
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.last_key, "Buscando atualizações...");  // taken even though no line was added
    status_log_record(log, status("Verificando arquivos..."));
    EXPECT_EQ(log.lines.size(), 2u);
}

TEST(StatusLogConcurrent, SinkCalledFromManyThreadsKeepsEveryDistinctLine) {
    auto log = std::make_shared<ProgressLog>();
    const ProgressSink sink = make_status_log_sink(log);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&sink, t] {
                for (int i = 0; i < 50; ++i)
                    sink(Progress{status("Baixando atualização...", "f" + std::to_string(t * 50 + i))});
                sink(ServerStatus{true});  // not a progress record: ignored
            });
    }
    EXPECT_EQ(log->lines.size(), 200u);
}

TEST(ToolLogFile, LinesEndWithCrLfAndFoldersAreMade) {
    TempDir dir;
    const auto path = tool_log_path(dir.path(), "atualizacao_teste.log");
    EXPECT_EQ(path, dir / "Data/Launcher/atualizacao_teste.log");
    write_tool_log(path, {"pasta: x", "OK em 0,8 s"});
    EXPECT_EQ(test::read_file(path), "pasta: x\r\nOK em 0,8 s\r\n");
    write_tool_log(path, {});  // replaced whole
    EXPECT_EQ(test::read_file(path), "\r\n");
}

TEST(ToolLogFile, UnwritableLogIsIgnored) {
    TempDir dir;
    test::write_file(dir / "Data", "a file where the folder should be");
    write_tool_log(tool_log_path(dir.path(), "x.log"), {"line"});  // must not throw or crash
    EXPECT_FALSE(std::filesystem::exists(dir / "Data/Launcher/x.log"));
}

TEST(ToolLogFile, PlantedLinkIsNotWrittenThrough) {
    TempDir dir;
    TempDir outside;
    test::write_file(outside / "victim", "outside the game");
    const auto path = tool_log_path(dir.path(), "cliente_teste.log");
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::create_symlink(outside / "victim", path);
    write_tool_log(path, {"pasta: x"});
    EXPECT_EQ(test::read_file(outside / "victim"), "outside the game");
}

TEST(ToolLogFile, SecondsUseADecimalComma) {
    EXPECT_EQ(format_seconds_decimal_comma(0.8), "0,8");
    EXPECT_EQ(format_seconds_decimal_comma(12.34), "12,3");
    EXPECT_EQ(format_seconds_decimal_comma(0.0), "0,0");
}

}  // namespace
}  // namespace qo
