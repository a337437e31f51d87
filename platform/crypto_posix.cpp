#include "platform/crypto.h"

#include <nettle/des.h>
#include <nettle/hmac.h>
#include <nettle/md4.h>
#include <nettle/md5.h>

namespace velmora::platform {

bool md4Digest(const uint8_t* data, size_t length, Digest16* out) {
  md4_ctx context;
  md4_init(&context);
  md4_update(&context, length, data);
  md4_digest(&context, out->size(), out->data());
  return true;
}

bool md5Digest(const uint8_t* data, size_t length, Digest16* out) {
  md5_ctx context;
  md5_init(&context);
  md5_update(&context, length, data);
  md5_digest(&context, out->size(), out->data());
  return true;
}

bool hmacMd5(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t length,
             Digest16* out) {
  hmac_md5_ctx context;
  hmac_md5_set_key(&context, keyLength, key);
  hmac_md5_update(&context, length, data);
  hmac_md5_digest(&context, out->size(), out->data());
  return true;
}

bool desEncrypt(const DesBlock& key, const DesBlock& plain, DesBlock* out) {
  DesBlock fixed;
  des_fix_parity(fixed.size(), fixed.data(), key.data());
  des_ctx context;
  // des_set_key reports weak keys but builds the schedule all the same.
  des_set_key(&context, fixed.data());
  des_encrypt(&context, plain.size(), out->data(), plain.data());
  return true;
}

}  // namespace velmora::platform
