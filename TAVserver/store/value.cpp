// Values: the conversions of a stored field to a number or to text.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "TAVserver/store/internal.h"

namespace tav::store {
using namespace detail;

namespace {

// The number a text begins with, after blanks: sign, digits, fraction and
// exponent. integral is set when it has neither fraction nor exponent.
struct LeadingNumber {
    std::string digits;  // in from_chars form, empty when there is none
    bool integral = true;
};

LeadingNumber scanLeadingNumber(std::u16string_view t) {
    LeadingNumber n;
    std::size_t i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    std::string s;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') s += '-';
        ++i;
    }
    auto isDigit = [&](std::size_t k) { return k < t.size() && t[k] >= u'0' && t[k] <= u'9'; };
    bool any = false;
    while (isDigit(i)) { s += char(t[i++]); any = true; }
    if (i < t.size() && t[i] == u'.') {
        s += '.';
        ++i;
        n.integral = false;
        while (isDigit(i)) { s += char(t[i++]); any = true; }
    }
    if (!any) return {};
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        std::size_t k = i + 1;
        std::string e = "e";
        if (k < t.size() && (t[k] == u'+' || t[k] == u'-')) e += char(t[k++]);
        if (isDigit(k)) {
            while (isDigit(k)) e += char(t[k++]);
            s += e;
            n.integral = false;
        }
    }
    n.digits = std::move(s);
    return n;
}

double toDouble(const LeadingNumber& n) {
    if (n.digits.empty()) return 0.0;
    double d = 0.0;
    auto r = std::from_chars(n.digits.data(), n.digits.data() + n.digits.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves d alone on overflow or underflow: tell them apart.
        bool tiny = n.digits.find_first_of("123456789") == std::string::npos ||
                    n.digits.find("e-") != std::string::npos;
        bool negative = n.digits[0] == '-';
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return d;
}

std::int64_t roundHalfEven(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775808.0) return kMaxRowid;
    if (d < -9223372036854775808.0) return kMinRowid;
    double f = std::floor(d);
    double diff = d - f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
    return static_cast<std::int64_t>(f);
}

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }


}  // namespace

std::int64_t Value::asInt() const {
    switch (type()) {
    case Type::Null:
        return 0;
    case Type::Integer:
        return std::get<std::int64_t>(v_);
    case Type::Double:
        return roundHalfEven(std::get<double>(v_));
    case Type::Text: {
        LeadingNumber n = scanLeadingNumber(std::get<std::u16string>(v_));
        if (n.digits.empty()) return 0;
        if (n.integral) {
            std::int64_t i = 0;
            auto r = std::from_chars(n.digits.data(), n.digits.data() + n.digits.size(), i);
            if (r.ec == std::errc()) return i;
        }
        return roundHalfEven(toDouble(n));
    }
    }
    return 0;
}

double Value::asDouble() const {
    switch (type()) {
    case Type::Null:
        return 0.0;
    case Type::Integer:
        return double(std::get<std::int64_t>(v_));
    case Type::Double:
        return std::get<double>(v_);
    case Type::Text:
        return toDouble(scanLeadingNumber(std::get<std::u16string>(v_)));
    }
    return 0.0;
}

std::u16string Value::asText() const {
    // Fixed notation of the largest and smallest doubles needs some 330 characters.
    char buf[400];
    switch (type()) {
    case Type::Null:
        return {};
    case Type::Integer: {
        auto r = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(v_));
        return widen(std::string_view(buf, std::size_t(r.ptr - buf)));
    }
    case Type::Double: {
        double d = std::get<double>(v_);
        if (d == 0.0) return u"0";
        auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
        return widen(std::string_view(buf, std::size_t(r.ptr - buf)));
    }
    case Type::Text:
        return std::get<std::u16string>(v_);
    }
    return {};
}

}  // namespace tav::store
