#include "platform/crypto.h"

// The crypto headers rely on the types of windows.h.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
// clang-format on

#include <cstring>
#include <vector>

namespace velmora::platform {
namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

class Provider {
 public:
  Provider(const wchar_t* algorithm, ULONG flags) {
    if (!succeeded(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) {
      handle_ = nullptr;
    }
  }
  ~Provider() {
    if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class HashObject {
 public:
  explicit HashObject(BCRYPT_HASH_HANDLE handle) : handle_(handle) {}
  ~HashObject() {
    if (handle_ != nullptr) BCryptDestroyHash(handle_);
  }
  HashObject(const HashObject&) = delete;
  HashObject& operator=(const HashObject&) = delete;

 private:
  BCRYPT_HASH_HANDLE handle_;
};

class KeyObject {
 public:
  explicit KeyObject(BCRYPT_KEY_HANDLE handle) : handle_(handle) {}
  ~KeyObject() {
    if (handle_ != nullptr) BCryptDestroyKey(handle_);
  }
  KeyObject(const KeyObject&) = delete;
  KeyObject& operator=(const KeyObject&) = delete;

 private:
  BCRYPT_KEY_HANDLE handle_;
};

// The hash object's memory is left to the provider (allowed since Windows 7).
bool digest(const wchar_t* algorithm, const uint8_t* key, size_t keyLength, const uint8_t* data,
            size_t length, Digest16* out) {
  out->fill(0);
  Provider provider(algorithm, key != nullptr ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0);
  if (provider.get() == nullptr) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!succeeded(BCryptCreateHash(provider.get(), &hash, nullptr, 0, const_cast<PUCHAR>(key),
                                  static_cast<ULONG>(keyLength), 0))) {
    return false;
  }
  HashObject owner(hash);
  if (!succeeded(BCryptHashData(hash, const_cast<PUCHAR>(data), static_cast<ULONG>(length), 0))) {
    return false;
  }
  return succeeded(BCryptFinishHash(hash, out->data(), static_cast<ULONG>(out->size()), 0));
}

// One block with a key of `keyBytes`. CBC over a single block with a zero
// IV is ECB, and 3DES with the key repeated three times is single DES; the
// variants serve providers that lack plain DES or the ECB mode.
bool encryptBlock(const wchar_t* algorithm, const wchar_t* mode,
                  const std::vector<uint8_t>& keyBytes, const DesBlock& plain, DesBlock* out) {
  Provider provider(algorithm, 0);
  if (provider.get() == nullptr) return false;
  if (!succeeded(BCryptSetProperty(provider.get(), BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                                   static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0))) {
    return false;
  }
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!succeeded(BCryptGenerateSymmetricKey(provider.get(), &key, nullptr, 0,
                                            const_cast<PUCHAR>(keyBytes.data()),
                                            static_cast<ULONG>(keyBytes.size()), 0))) {
    return false;
  }
  KeyObject owner(key);
  DesBlock input = plain;
  DesBlock iv{};
  bool chained = wcscmp(mode, BCRYPT_CHAIN_MODE_CBC) == 0;
  ULONG written = 0;
  NTSTATUS status = BCryptEncrypt(key, input.data(), static_cast<ULONG>(input.size()), nullptr,
                                  chained ? iv.data() : nullptr, chained ? 8 : 0, out->data(),
                                  static_cast<ULONG>(out->size()), &written, 0);
  return succeeded(status) && written == out->size();
}

// The older CryptoAPI provider, where CNG has no DES at all (Wine).
bool encryptBlockLegacy(const DesBlock& keyBytes, const DesBlock& plain, DesBlock* out) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return false;
  }
  struct {
    BLOBHEADER header;
    DWORD size;
    BYTE key[8];
  } blob = {{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, CALG_DES}, 8, {}};
  std::memcpy(blob.key, keyBytes.data(), 8);
  HCRYPTKEY key = 0;
  bool ok = CryptImportKey(provider, reinterpret_cast<BYTE*>(&blob), sizeof(blob), 0, 0, &key);
  DWORD mode = CRYPT_MODE_ECB;
  ok = ok && CryptSetKeyParam(key, KP_MODE, reinterpret_cast<BYTE*>(&mode), 0);
  DesBlock data = plain;
  DWORD length = 8;
  ok = ok && CryptEncrypt(key, 0, FALSE, 0, data.data(), &length, 8) && length == 8;
  if (ok) *out = data;
  if (key != 0) CryptDestroyKey(key);
  CryptReleaseContext(provider, 0);
  return ok;
}

}  // namespace

bool md4Digest(const uint8_t* data, size_t length, Digest16* out) {
  return digest(BCRYPT_MD4_ALGORITHM, nullptr, 0, data, length, out);
}

bool md5Digest(const uint8_t* data, size_t length, Digest16* out) {
  return digest(BCRYPT_MD5_ALGORITHM, nullptr, 0, data, length, out);
}

bool hmacMd5(const uint8_t* key, size_t keyLength, const uint8_t* data, size_t length,
             Digest16* out) {
  // CNG wants a non-null secret pointer for HMAC even when it is empty.
  static const uint8_t kEmpty = 0;
  return digest(BCRYPT_MD5_ALGORITHM, key != nullptr ? key : &kEmpty, keyLength, data, length, out);
}

bool desEncrypt(const DesBlock& key, const DesBlock& plain, DesBlock* out) {
  std::vector<uint8_t> single(key.begin(), key.end());
  std::vector<uint8_t> triple;
  for (int i = 0; i < 3; ++i) triple.insert(triple.end(), key.begin(), key.end());
  if (encryptBlock(BCRYPT_DES_ALGORITHM, BCRYPT_CHAIN_MODE_ECB, single, plain, out) ||
      encryptBlock(BCRYPT_3DES_ALGORITHM, BCRYPT_CHAIN_MODE_ECB, triple, plain, out) ||
      encryptBlock(BCRYPT_3DES_ALGORITHM, BCRYPT_CHAIN_MODE_CBC, triple, plain, out) ||
      encryptBlockLegacy(key, plain, out)) {
    return true;
  }
  out->fill(0);
  return false;
}

}  // namespace velmora::platform
