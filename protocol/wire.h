// Byte forms of the TCP conversation between the server and its clients:
// separators, UTF-16LE text, reply builders, field splitting and request framing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// Bytes travel in std::string (raw bytes); text inside the system is std::u16string.

inline constexpr char16_t FieldSep = 24;    // follows every field, the last one too
inline constexpr char16_t RecordSep = 25;   // follows every record or reply section
inline constexpr char16_t SectionSep = 23;  // stands alone between report sections

// The terminator of request bodies, text replies and list replies: one NUL code unit.
inline constexpr std::string_view MsgEnd{"\0\0", 2};

// The 12-byte words exchanged before every request.
inline constexpr std::u16string_view KnockClient = u"CLIENT";
inline constexpr std::u16string_view KnockApproved = u"APPROV";
inline constexpr std::u16string_view KnockBusy = u"IAMBUS";
inline constexpr std::u16string_view KnockUnload = u"IULOAD";
inline constexpr std::size_t KnockBytes = 12;

// Every code unit is kept as it is, lone surrogates included.
std::string toUtf16le(std::u16string_view text);
// An odd trailing byte cannot form a code unit and is dropped.
std::u16string fromUtf16le(std::string_view bytes);

// For logs and stderr only: a lone surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
// Appends `text` in UTF-8 to `out`; a surrogate that is not half of a pair
// becomes `lone`. Texts headed outside the wire (a workbook, say) may have to
// match another encoder's choice, QString::toUtf8's '?' for one.
void appendUtf8(std::string& out, std::u16string_view text, char32_t lone);
// Each malformed byte sequence (overlong, encoded surrogate, beyond U+10FFFF,
// truncated) becomes one U+FFFD.
std::u16string fromUtf8(std::string_view bytes);

// A bare word, no terminator.
std::string wordReply(std::u16string_view word);
// One text followed by MsgEnd.
std::string textReply(std::u16string_view text);

// One record of a list reply: each field is followed by FieldSep, the record
// by RecordSep. The list's MsgEnd is sent separately after the last record.
class ListRecord {
public:
    ListRecord& addText(std::u16string_view text);
    ListRecord& addNumber(std::int64_t value);
    ListRecord& addDay(std::int32_t day);
    // Decimal with "." and the fewest digits that read back to the same
    // double; never exponent form, independent of the locale. Throws
    // std::invalid_argument for NaN or infinity.
    ListRecord& addDayTime(double dayTime);

    const std::u16string& text() const { return text_; }  // without RecordSep
    std::string bytes() const;                             // with RecordSep

private:
    std::u16string text_;
};

// Shortest round-trip fixed-point text of a double, as addDayTime writes it.
std::u16string decimalText(double value);

// The fields of a request body from code unit `from` on (the caller passes
// the length of its command word, with any glued flag): each field is the
// text before the next FieldSep. Text after the last FieldSep is not a field.
// The views point into `body`.
std::vector<std::u16string_view> splitFields(std::u16string_view body, std::size_t from = 0);

// The number a field's text begins with: blanks (space, tab) skipped, an
// optional sign, digits, an optional "." fraction and an optional exponent
// (E or e, optional sign, digits). 0 when the text begins with no number;
// an exponent past the double range gives +-infinity.
double leadingNumber(std::u16string_view text);

// leadingNumber rounded to the nearest whole number, a half to the even
// neighbour; nullopt when the result does not fit in 32 bits (never wrapped).
std::optional<std::int32_t> wholeNumber32(std::u16string_view text);

enum class ReadState { Incomplete, Complete, TooLarge };

// Collects a request body as its bytes arrive. The body ends at the first
// two zero bytes that form one code unit (an even byte offset); two zero bytes
// straddling two code units are part of the text. Bytes that follow the
// terminator, in the same read or later, are not kept: a client sends one
// request per knock, so they belong to no request. Once Complete or TooLarge
// the reader ignores further input.
class RequestReader {
public:
    static constexpr std::size_t DefaultCap = 1048576;

    // `cap` is the largest body in bytes, terminator not counted.
    explicit RequestReader(std::size_t cap = DefaultCap);

    ReadState feed(const char* p, std::size_t n);
    ReadState state() const { return state_; }

    // The text before the terminator (what has arrived so far while Incomplete;
    // empty after TooLarge).
    std::u16string body() const;
    // Bytes held so far (the body's bytes once Complete).
    std::size_t size() const { return buf_.size(); }

private:
    std::size_t cap_;
    std::string buf_;
    std::size_t scan_ = 0;  // even offset of the next code unit to test
    ReadState state_ = ReadState::Incomplete;
};

}  // namespace tav
