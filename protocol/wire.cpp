// Encoding, reply building, field splitting, numeric reading of fields and the
// incremental request reader.

#include "protocol/wire.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace tav {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

void appendField(std::u16string& text, std::string_view ascii) {
    text.append(ascii.begin(), ascii.end());
    text += FieldSep;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::string toUtf16le(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::u16string fromUtf16le(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<unsigned char>(bytes[i]);
        auto hi = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<char16_t>(lo | (hi << 8));
    }
    return out;
}

// Each length is written out in its own branch: through appendCodePoint the
// loop was a fifth slower, and the report converts every text of its
// workbook here.
void appendUtf8(std::string& out, std::u16string_view text, char32_t lone) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char32_t u = *p++;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0xD800 || u > 0xDFFF) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (isHighSurrogate(static_cast<char16_t>(u)) && p < end && isLowSurrogate(*p)) {
            const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            appendCodePoint(out, lone);
        }
    }
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    appendUtf8(out, text, Replacement);
    return out;
}

std::u16string fromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < n) {
        unsigned char b = at(i);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        std::size_t len;
        char32_t cp;
        char32_t min;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2; cp = b & 0x1F; min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3; cp = b & 0x0F; min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4; cp = b & 0x07; min = 0x10000;
        } else {
            out += static_cast<char16_t>(Replacement);
            ++i;
            continue;
        }
        std::size_t k = 1;
        for (; k < len && i + k < n && (at(i + k) & 0xC0) == 0x80; ++k)
            cp = (cp << 6) | (at(i + k) & 0x3F);
        if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // Skip the lead byte and its continuation bytes as one bad sequence.
            out += static_cast<char16_t>(Replacement);
            i += k;
            continue;
        }
        appendUtf16(out, cp);
        i += len;
    }
    return out;
}

std::string wordReply(std::u16string_view word) { return toUtf16le(word); }

std::string textReply(std::u16string_view text) {
    std::string out = toUtf16le(text);
    out += MsgEnd;
    return out;
}

std::u16string decimalText(double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("decimalText: value is not a finite number");
    if (value == 0)
        value = 0;  // no "-0"
    // Fixed format without a precision gives the shortest text that reads
    // back to the same double, and to_chars ignores the locale.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc())
        throw std::logic_error("decimalText: buffer too small");
    return std::u16string(buf, end);
}

ListRecord& ListRecord::addText(std::u16string_view text) {
    text_ += text;
    text_ += FieldSep;
    return *this;
}

ListRecord& ListRecord::addNumber(std::int64_t value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;  // 24 bytes hold every int64
    appendField(text_, std::string_view(buf, end - buf));
    return *this;
}

ListRecord& ListRecord::addDay(std::int32_t day) { return addNumber(day); }

ListRecord& ListRecord::addDayTime(double dayTime) {
    text_ += decimalText(dayTime);
    text_ += FieldSep;
    return *this;
}

std::string ListRecord::bytes() const {
    std::string out = toUtf16le(text_);
    out += static_cast<char>(RecordSep);
    out += '\0';
    return out;
}

std::vector<std::u16string_view> splitFields(std::u16string_view body, std::size_t from) {
    std::vector<std::u16string_view> fields;
    if (from >= body.size())
        return fields;
    std::size_t start = from;
    for (std::size_t i = from; i < body.size(); ++i) {
        if (body[i] == FieldSep) {
            fields.push_back(body.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

double leadingNumber(std::u16string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';

    std::string whole, frac;
    while (i < n && isDigit(text[i]))
        whole += static_cast<char>(text[i++]);
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i]))
            frac += static_cast<char>(text[i++]);
    }
    if (whole.empty() && frac.empty())
        return 0;
    // The exponent counts only when at least one digit follows E and its sign.
    long long exponent = 0;
    bool hasExponent = false;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        std::size_t k = i + 1;
        bool expNegative = false;
        if (k < n && (text[k] == u'+' || text[k] == u'-'))
            expNegative = text[k++] == u'-';
        for (; k < n && isDigit(text[k]); ++k) {
            hasExponent = true;
            if (exponent < 1000000000)  // far past any double; saturate
                exponent = exponent * 10 + (text[k] - u'0');
        }
        if (expNegative)
            exponent = -exponent;
    }

    // Rebuild the number in plain ASCII so from_chars (locale-free) reads it.
    std::string num = negative ? "-" : "";
    num += whole.empty() ? "0" : whole;
    if (!frac.empty())
        num += "." + frac;
    if (hasExponent)
        num += "e" + std::to_string(exponent);

    double value = 0;
    auto [ptr, ec] = std::from_chars(num.data(), num.data() + num.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when out of range: tell overflow
        // from underflow by the decimal position of the first significant digit.
        long long magnitude;
        auto lead = whole.find_first_not_of('0');
        if (lead != std::string::npos) {
            magnitude = static_cast<long long>(whole.size() - lead) - 1;
        } else {
            auto fracLead = frac.find_first_not_of('0');
            magnitude = fracLead == std::string::npos ? 0 : -static_cast<long long>(fracLead) - 1;
        }
        magnitude += exponent;
        double limit = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -limit : limit;
    }
    return value;
}

std::optional<std::int32_t> wholeNumber32(std::u16string_view text) {
    double x = leadingNumber(text);
    if (!std::isfinite(x))
        return std::nullopt;
    double f = std::floor(x);
    double diff = x - f;  // exact: both share the magnitude of x
    double r;
    if (diff > 0.5)
        r = f + 1;
    else if (diff < 0.5)
        r = f;
    else
        r = std::fmod(f, 2.0) == 0 ? f : f + 1;
    if (r < double(std::numeric_limits<std::int32_t>::min()) ||
        r > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

RequestReader::RequestReader(std::size_t cap)
    // Keep cap + 2 (body plus terminator) representable.
    : cap_(cap > std::numeric_limits<std::size_t>::max() - 4 ? std::numeric_limits<std::size_t>::max() - 4
                                                             : cap) {}

ReadState RequestReader::feed(const char* p, std::size_t n) {
    if (state_ != ReadState::Incomplete || n == 0)
        return state_;
    // A terminator can start no later than offset cap, so bytes past cap + 2
    // can only be body beyond the cap or bytes after the terminator.
    std::size_t room = cap_ + 2 - buf_.size();
    buf_.append(p, n < room ? n : room);
    while (scan_ + 1 < buf_.size()) {
        if (buf_[scan_] == '\0' && buf_[scan_ + 1] == '\0') {
            buf_.resize(scan_);
            state_ = ReadState::Complete;
            return state_;
        }
        scan_ += 2;
        if (scan_ > cap_) {
            buf_.clear();
            buf_.shrink_to_fit();
            state_ = ReadState::TooLarge;
            return state_;
        }
    }
    return state_;
}

std::u16string RequestReader::body() const { return fromUtf16le(buf_); }

}  // namespace tav
