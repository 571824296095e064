#pragma once
// "--baixar-cliente": runs the client download once as the window's update job does (self-update, active
// release, sealed update), checks the game executable's signature and writes what happened to
// Data/Launcher/cliente_teste.log.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "events/progress_sink.h"
#include "main/tool_log.h"
#include "sealed/sealed_update.h"
#include "sealed/self_update.h"

namespace qo {

// The client download's record: one line per change of the status text's part before ':' or of the tenth of
// the whole progress, "{elapsed:>6.1} s  {text}  {percent:.0}%  {speed}".
void progress_log_record(ProgressLog& log, std::chrono::steady_clock::time_point t0, const JobProgress& progress);

// A ProgressSink that records Progress events with progress_log_record.
ProgressSink make_progress_log_sink(std::shared_ptr<ProgressLog> log, std::chrono::steady_clock::time_point t0);

// The mode for a game folder: 0 when the update succeeded (whatever the signature check says), 1 otherwise.
int run_client_download(const std::filesystem::path& game_dir, bool skip_self_update,
                        const SelfUpdateSettings& self_update, const SealedUpdateSettings& release_update);

// The mode as started from the command line: the launcher's folder and the executable's deployment values.
int client_download_mode(const std::vector<std::string>& arguments);

}  // namespace qo
