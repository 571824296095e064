#pragma once
// The test-only release key pair (data/keys, never trusted outside the tests) and a second, untrusted key for
// signatures that must fail.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "release/signing_key.h"
#include "sealed/signature.h"

namespace qo::test {

std::filesystem::path test_private_key_path();
// The 276-byte public blob: what QoTarmish-dev reads from QO_DEV_RELEASE_KEY.
std::filesystem::path test_public_key_blob_path();

const release::SigningKey& test_signing_key();
const std::vector<std::uint8_t>& test_public_key_blob();
// A key made once per test process that the test release key does not trust.
const release::SigningKey& foreign_signing_key();

// The verifying side of the test key.
inline const ReleaseKey& test_release_key() {
    static const ReleaseKey key = ReleaseKey::from_blob(test_public_key_blob()).value();
    return key;
}

}  // namespace qo::test
