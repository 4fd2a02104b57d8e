#pragma once

#include <string>
#include <string_view>

namespace slabcal {

// The SHA-256 of the bytes as 64 lowercase hexadecimal digits (Nettle).
[[nodiscard]] std::string Sha256Hex(std::string_view bytes);

} // namespace slabcal
