#include "main/tool_modes.h"

#include "main/arguments.h"
#include "main/tool_bench.h"
#include "main/tool_capture.h"
#include "main/tool_client_download.h"
#include "main/tool_manifest_generator.h"
#include "main/tool_update_test.h"
#include "platform/message_box.h"

namespace qo {

std::span<const ToolMode> tool_modes() {
    // A mode is added by putting its entry point in place of nullptr (and including its header above).
    static constexpr ToolMode table[] = {
        {"--gerar-manifesto", 2, manifest_generator_mode},  // manifest generator: folder, optional output file
        {"--baixar-cliente", 1, client_download_mode},  // client-download test
        {"--testar-atualizacao", 1, update_test_mode},  // manifest-update test
        {"--bench", 2, bench_mode},           // render benchmark: report path
        {"--captura", 2, capture_mode},       // window capture: PNG path
        {MESSAGE_BOX_MODE_WORD, 5, message_box_mode},  // the window's message box: parent, kind, caption, text
    };
    return table;
}

const ToolMode* select_tool_mode(const std::vector<std::string>& arguments, std::span<const ToolMode> table) {
    if (arguments.empty()) return nullptr;
    for (const ToolMode& mode : table) {
        if (!argument_matches(arguments.front(), mode.word)) continue;
        if (arguments.size() < mode.min_arguments || mode.run == nullptr) return nullptr;
        return &mode;
    }
    return nullptr;
}

}  // namespace qo
