#include "support/test_keys.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace qo::test {

std::filesystem::path test_private_key_path() {
    return std::filesystem::path(QO_TEST_DATA_DIR) / "keys" / "test-only-release.pem";
}

std::filesystem::path test_public_key_blob_path() {
    return std::filesystem::path(QO_TEST_DATA_DIR) / "keys" / "test-only-release.blob";
}

const release::SigningKey& test_signing_key() {
    static const release::SigningKey key = [] {
        auto loaded = release::SigningKey::load_pem_file(test_private_key_path());
        if (!loaded) throw std::runtime_error(loaded.error());
        return *loaded;
    }();
    return key;
}

const std::vector<std::uint8_t>& test_public_key_blob() {
    static const std::vector<std::uint8_t> blob = [] {
        std::ifstream in(test_public_key_blob_path(), std::ios::binary);
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        if (bytes.size() != 276) throw std::runtime_error("test key blob missing or damaged");
        return bytes;
    }();
    return blob;
}

const release::SigningKey& foreign_signing_key() {
    static const release::SigningKey key = release::SigningKey::generate().value();
    return key;
}

}  // namespace qo::test
