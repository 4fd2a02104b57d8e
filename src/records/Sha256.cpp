#include "records/Sha256.h"

#include <openssl/evp.h>

#include <array>
#include <memory>
#include <stdexcept>

namespace slabcal {

std::string Sha256Hex(std::string_view bytes) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
        throw std::runtime_error("SHA-256 failed");
    static constexpr std::string_view hexDigits = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int index = 0; index < length; ++index) {
        text += hexDigits[digest[index] >> 4];
        text += hexDigits[digest[index] & 0x0F];
    }
    return text;
}

} // namespace slabcal
