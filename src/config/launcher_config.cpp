#include "config/launcher_config.h"

namespace qo {

std::expected<LauncherConfig, std::string> deserialize_launcher_config(std::string_view bytes) {
    return json::read_record<LauncherConfig>(bytes, json::ReadOptions{.skip_utf8_bom = true});
}

std::string serialize_launcher_config(const LauncherConfig& config) { return json::write_record(config); }

}  // namespace qo

namespace qo::json {

const RecordType& RecordTraits<LauncherLink>::type() {
    static const RecordType t{"LauncherLink",
                              {
                                  text<&LauncherLink::text>("Text"),
                                  text<&LauncherLink::url>("Url"),
                              }};
    return t;
}

const RecordType& RecordTraits<LauncherNews>::type() {
    static const RecordType t{"LauncherNews",
                              {
                                  text<&LauncherNews::tag>("Tag"),
                                  text<&LauncherNews::color>("Color"),
                                  text<&LauncherNews::text>("Text"),
                                  text<&LauncherNews::url>("Url"),
                                  text<&LauncherNews::date>("Date"),
                              }};
    return t;
}

const RecordType& RecordTraits<LauncherInfo>::type() {
    static const RecordType t{"LauncherInfo",
                              {
                                  text<&LauncherInfo::label>("Label"),
                                  text<&LauncherInfo::value>("Value"),
                              }};
    return t;
}

const RecordType& RecordTraits<UpdateConfig>::type() {
    static const RecordType t{"UpdateConfig",
                              {
                                  flag<&UpdateConfig::enabled>("Enabled"),
                                  text<&UpdateConfig::manifest_url>("ManifestUrl"),
                                  text<&UpdateConfig::files_base_url>("FilesBaseUrl"),
                              }};
    return t;
}

const RecordType& RecordTraits<LauncherConfig>::type() {
    static const RecordType t{"LauncherConfig",
                              {
                                  text<&LauncherConfig::server_name>("ServerName"),
                                  text<&LauncherConfig::game_exe>("GameExe"),
                                  flag<&LauncherConfig::close_after_start>("CloseAfterStart"),
                                  text<&LauncherConfig::background_video>("BackgroundVideo"),
                                  record_list<&LauncherConfig::links>("Links"),
                                  record_list<&LauncherConfig::news>("News"),
                                  record<&LauncherConfig::update>("Update"),
                                  record_list<&LauncherConfig::info>("Info"),
                                  text<&LauncherConfig::abertura>("Abertura"),
                              }};
    return t;
}

}  // namespace qo::json
