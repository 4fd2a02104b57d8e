#pragma once

#include <string>
#include <string_view>

namespace slabcal {

// The SHA-256 of the bytes as 64 lowercase hexadecimal digits (OpenSSL's EVP digest). Throws
// std::runtime_error in the unlikely case the library cannot compute it.
[[nodiscard]] std::string Sha256Hex(std::string_view bytes);

} // namespace slabcal
