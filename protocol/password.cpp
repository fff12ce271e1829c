// encodePswd: lengthening, GBK conversion of the first 16 bytes, PBKDF2 and
// hex; loginKey from the greeting's time.

#include "protocol/password.h"

#include "protocol/wire.h"

#include <iconv.h>
#include <openssl/evp.h>

#include <cerrno>
#include <stdexcept>

namespace tav {

namespace {

constexpr std::size_t PswdBytes = 16;

// Changing any of these invalidates every stored password.
constexpr unsigned char Salt[17] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x4B, 0xE8, 0x06, 0x7D,
                                    0xB2, 0x39, 0xF4, 0x60, 0x8F, 0x25, 0xDA, 0x1C};
constexpr int Rounds = 4096;

class GbkConverter {
public:
    GbkConverter() : cd_(iconv_open("GBK", "UTF-8")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("encodePswd: no GBK converter available (iconv)");
    }
    ~GbkConverter() { iconv_close(cd_); }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    // Appends the GBK bytes of one character given as UTF-8, or "?" when GBK
    // has no code for it.
    void append(const std::string& utf8, std::string& out) {
        char buf[8];
        char* in = const_cast<char*>(utf8.data());
        std::size_t inLeft = utf8.size();
        char* o = buf;
        std::size_t outLeft = sizeof buf;
        std::size_t r = iconv(cd_, &in, &inLeft, &o, &outLeft);
        if (r == static_cast<std::size_t>(-1) || r > 0 || inLeft != 0) {
            // r > 0 means an inexact (substituted) mapping: treat it as none.
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            out += '?';
            return;
        }
        out.append(buf, o);
    }

private:
    iconv_t cd_;
};

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

std::string firstGbkBytes(std::u16string_view text) {
    GbkConverter gbk;
    std::string out;
    for (std::size_t i = 0; i < text.size() && out.size() < PswdBytes; ++i) {
        std::size_t len = 1;
        if (isHigh(text[i]) && i + 1 < text.size() && isLow(text[i + 1]))
            len = 2;
        else if (isHigh(text[i]) || isLow(text[i])) {
            out += '?';
            continue;
        }
        gbk.append(toUtf8(text.substr(i, len)), out);
        i += len - 1;
    }
    // A double-byte character may reach past the 16th byte. Fewer than 16
    // bytes happen when surrogate pairs (two code units, one "?") fill the
    // lengthened text; those few bytes are hashed as they are.
    if (out.size() > PswdBytes)
        out.resize(PswdBytes);
    return out;
}

}  // namespace

std::u16string encodePswd(std::u16string_view text) {
    std::u16string s(text);
    while (s.size() < PswdBytes) {
        std::u16string doubled = s;
        doubled += FieldSep;
        doubled += s;
        s = std::move(doubled);
    }
    const std::string bytes = firstGbkBytes(s);

    unsigned char result[PswdBytes];
    if (PKCS5_PBKDF2_HMAC(bytes.data(), static_cast<int>(bytes.size()), Salt, sizeof Salt, Rounds,
                          EVP_sha256(), sizeof result, result) != 1)
        throw std::runtime_error("encodePswd: PBKDF2 failed");

    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(2 * PswdBytes);
    for (unsigned char b : result) {
        out += hex[b >> 4];
        out += hex[b & 0x0F];
    }
    return out;
}

std::uint8_t loginKey(std::string_view greeting30) {
    if (greeting30.size() < 30)
        throw std::invalid_argument("loginKey: greeting shorter than 30 bytes");
    int v[6];
    for (int i = 0; i < 6; ++i) {
        char c = greeting30[24 + i];
        if (c < '0' || c > '9')
            throw std::invalid_argument("loginKey: greeting time is not digits");
        v[i] = c - '0';
    }
    int seconds = (v[0] * 10 + v[1]) * 3600 + (v[2] * 10 + v[3]) * 60 + v[4] * 10 + v[5];
    return static_cast<std::uint8_t>(seconds % 255 + 1);
}

}  // namespace tav
