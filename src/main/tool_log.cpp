#include "main/tool_log.h"

#include <algorithm>
#include <system_error>

#include <fmt/format.h>

#include "platform/files.h"

namespace qo {

void status_log_record(ProgressLog& log, const JobProgress& progress) {
    std::lock_guard lock(log.mutex);
    std::string line = progress.detail.empty() ? progress.text : fmt::format("{} {}", progress.text, progress.detail);
    if (progress.text == log.last_key && !progress.text.starts_with("Baixando")) return;
    if (std::find(log.lines.begin(), log.lines.end(), line) == log.lines.end()) log.lines.push_back(std::move(line));
    log.last_key = progress.text;
}

ProgressSink make_status_log_sink(std::shared_ptr<ProgressLog> log) {
    return make_recording_progress_sink(
        [log = std::move(log)](JobProgress progress) { status_log_record(*log, progress); });
}

std::filesystem::path tool_log_path(const std::filesystem::path& game_dir, std::string_view file_name) {
    return game_dir / "Data" / "Launcher" / std::filesystem::path(std::string(file_name));
}

void write_tool_log(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    if (lines.empty()) bytes = "\r\n";
    (void)write_whole_file(path, bytes);  // an unwritable log is not reported
}

std::string format_seconds_decimal_comma(double seconds) {
    std::string text = fmt::format("{:.1f}", seconds);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

}  // namespace qo
