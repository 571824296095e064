#pragma once
// "--testar-atualizacao": runs the manifest updater once with the update settings of launcher.json and writes
// what happened to Data/Launcher/atualizacao_teste.log.
#include <filesystem>
#include <string>
#include <vector>

#include "config/endpoints.h"

namespace qo {

// The mode for a game folder: 0 when the update succeeded, 1 otherwise.
int run_update_test(const std::filesystem::path& game_dir, const Endpoints& endpoints,
                    const std::string& extra_ca_file);

// The mode as started from the command line: the launcher's folder and the executable's deployment values.
int update_test_mode(const std::vector<std::string>& arguments);

}  // namespace qo
