#include "config/default_launcher_config.h"

#include <string>

namespace qo {
namespace {

LauncherLink make_link(std::string_view text, std::string url) {
    return LauncherLink{.text = std::string(text), .url = std::move(url)};
}

LauncherInfo make_info(std::string_view label, std::string_view value) {
    return LauncherInfo{.label = std::string(label), .value = std::string(value)};
}

}  // namespace

LauncherNews make_news_item(std::string_view tag, std::string_view color, std::string_view date,
                            std::string_view text, std::string_view url) {
    return LauncherNews{
        .tag = std::string(tag),
        .color = std::string(color),
        .text = std::string(text),
        .url = std::string(url),
        .date = std::string(date),
    };
}

LauncherConfig default_launcher_config(const Endpoints& endpoints) {
    const std::string& site = endpoints.site_base_url;
    const std::string& update = endpoints.update_base_url;
    return LauncherConfig{
        .server_name = "QoFenro",
        .game_exe = "Main.exe",
        .close_after_start = true,
        .background_video = "Data\\SS.mp4",
        .links = std::vector<LauncherLink>{
            make_link("Site", site),
            make_link("Discord", ""),
            make_link("Ranking", site + "/rankings"),
            make_link("Loja", site + "/credits"),
        },
        .news = std::vector<LauncherNews>{
            make_news_item("NOVIDADE", "#D9A845", "08/10",
                           "Sala Principal 2 no ar e troca de sala dentro do jogo (/sala).", site + "/media"),
            make_news_item("SISTEMA", "#12B880", "07/10",
                           "Montarias pelo inventário e Prêmio Diário para contas VIP.", site + "/media"),
            make_news_item("EVENTO", "#B8862B", "diário",
                           "Eventos todos os dias. Aperte H no jogo para ver os horários.", site + "/info#eventos"),
            make_news_item("GUIA", "#2E9E5B", "novo", "Começando agora? Veja o guia do iniciante no site.",
                           site + "/beginner-guide"),
        },
        .update = UpdateConfig{
            .enabled = true,
            .manifest_url = update + "/manifest.json",
            .files_base_url = update + "/files",
        },
        .info = std::vector<LauncherInfo>{
            make_info("Versão", "Season 6"),
            make_info("Experiência", "10x  |  VIP 11,5x  |  Premium 11,5x"),
            make_info("Reset", "Pontuativo, máx. 50"),
            make_info("Level do reset", "350 a 400"),
            make_info("Item máximo", "+11 · Fase 1"),
        },
        .abertura = std::nullopt,
    };
}

}  // namespace qo
