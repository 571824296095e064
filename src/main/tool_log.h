#pragma once
// The plain-text logs of the headless test modes: a recording progress sink turns the stream of progress records
// into a short list of distinct lines, and the mode writes them under Data/Launcher when it ends.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "events/job_progress.h"
#include "events/progress_sink.h"

namespace qo {

// Shared between a mode and its sink. The sink appends from any thread under `mutex`; the mode reads the lines
// once the update flow has returned.
struct ProgressLog {
    std::mutex mutex;
    std::vector<std::string> lines;
    // The last status text taken (status log) or the de-duplication key of the last line (progress log).
    std::string last_key;
};

// The update test's record: "text" or "text detail". A repeat of the last status text adds nothing (except
// for "Baixando..." texts, whose details change), nor does a line that is already in the log.
void status_log_record(ProgressLog& log, const JobProgress& progress);

// A ProgressSink that records Progress events with status_log_record.
ProgressSink make_status_log_sink(std::shared_ptr<ProgressLog> log);

// The game folder joined with Data, Launcher and the log's file name.
std::filesystem::path tool_log_path(const std::filesystem::path& game_dir, std::string_view file_name);

// The lines joined with CR LF plus a final CR LF, written as the whole file (parent folders made first).
// Failures are ignored.
void write_tool_log(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Seconds with one decimal and a decimal comma ("0,8", "12,3").
std::string format_seconds_decimal_comma(double seconds);

}  // namespace qo
