#include <cstddef>
#include <cstdint>
#include <string>

#include "components/ipport/proxy/base64.h"
#include "components/ipport/proxy/ntlm.h"

using namespace velmora::components::proxy;

// A challenge as it comes from the proxy: Base64 text, then the message.
// Built with -fsanitize=fuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string decoded;
  base64Decode(input, &decoded);
  for (const std::string* message : {&input, &decoded}) {
    NtlmChallenge challenge;
    std::string error;
    if (parseNtlmChallenge(*message, &challenge, &error)) {
      NtlmChallengeBytes nonce{1, 2, 3, 4, 5, 6, 7, 8};
      ntlmAuthenticateMessage(splitNtlmUser("D\\u", "p"), challenge, nonce);
    }
  }
  return 0;
}
