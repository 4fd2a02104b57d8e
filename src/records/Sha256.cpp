#include "records/Sha256.h"

#include <nettle/sha2.h>

#include <array>
#include <cstdint>

namespace slabcal {

// Nettle rather than OpenSSL's libcrypto: loading and relocating libcrypto alone cost a subcommand such
// as history more than the rest of its run.
std::string Sha256Hex(std::string_view bytes) {
    sha256_ctx context{};
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    static constexpr std::string_view hexDigits = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 0x0F];
    }
    return text;
}

} // namespace slabcal
