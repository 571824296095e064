#include "updater/manifest_format.h"

namespace qo {

std::expected<UpdateManifest, std::string> read_manifest_record(std::string_view json) {
    return json::read_record<UpdateManifest>(json);
}

std::expected<ManifestFile, std::string> read_manifest_file_entry(std::string_view json) {
    return json::read_record<ManifestFile>(json);
}

std::string write_manifest(const UpdateManifest& manifest) { return json::write_record(manifest); }

}  // namespace qo

namespace qo::json {

const RecordType& RecordTraits<ManifestFile>::type() {
    static const RecordType t{"ManifestFile",
                              {
                                  text<&ManifestFile::path>("Path"),
                                  size<&ManifestFile::size>("Size"),
                                  text<&ManifestFile::sha256>("Sha256"),
                                  flag<&ManifestFile::only_if_missing>("OnlyIfMissing", FlagWrite::omit_when_false),
                              }};
    return t;
}

const RecordType& RecordTraits<UpdateManifest>::type() {
    static const RecordType t{"UpdateManifest",
                              {
                                  text<&UpdateManifest::version>("Version"),
                                  record_list<&UpdateManifest::files>("Files"),
                              }};
    return t;
}

}  // namespace qo::json
