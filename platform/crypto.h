#ifndef TAVRO_PLATFORM_CRYPTO_H_
#define TAVRO_PLATFORM_CRYPTO_H_

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora::platform {

/// A 16-byte message digest (MD4, MD5, HMAC-MD5).
using Digest16 = std::array<uint8_t, 16>;
/// One 8-byte DES block or key.
using DesBlock = std::array<uint8_t, 8>;

/// The primitives the proxy authentication needs, from the system's crypto
/// library (never our own code). Each returns false only when the library
/// cannot provide the algorithm; the output is then zeroed.
bool md4Digest(const uint8_t* data, size_t length, Digest16* out);
bool md5Digest(const uint8_t* data, size_t length, Digest16* out);
bool hmacMd5(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t length,
             Digest16* out);
/// Encrypts one block with single DES in ECB mode. The key's parity bits are
/// ignored, and weak keys are accepted (protocols derive keys from hashes).
bool desEncrypt(const DesBlock& key, const DesBlock& plain, DesBlock* out);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_CRYPTO_H_
