// The one-way password transform shared by the server and both clients, and
// the one-byte key that scrambles the password inside a login record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// 32 upper-case hexadecimal digits. The input is doubled around FieldSep
// until it has at least 16 code units, converted to GBK character by
// character (an unmappable character or a lone surrogate becomes "?"), and
// only the first 16 bytes count: they go through PBKDF2-HMAC-SHA256 with a
// fixed 17-byte salt and 4096 rounds for 16 result bytes. Stored passwords
// depend on every one of these choices. Throws std::runtime_error when the
// platform lacks the GBK converter or the hash fails.
std::u16string encodePswd(std::u16string_view text);

// Derived from the greeting's time digits HHmmss (characters 25-30):
// (seconds of the day mod 255) + 1, so the key is never 0. Throws
// std::invalid_argument when the greeting is shorter than 30 bytes or those
// six characters are not digits.
std::uint8_t loginKey(std::string_view greeting30);

}  // namespace tav
