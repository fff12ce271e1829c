// Tests of the wire forms: UTF-16LE and UTF-8 conversion, reply builders,
// field splitting, numeric field values and the request reader.

#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tav {
namespace {

using namespace std::string_literals;

std::string bytesOf(std::initializer_list<int> v) {
    std::string s;
    for (int b : v)
        s += static_cast<char>(b);
    return s;
}

// ---- text encodings -------------------------------------------------------

TEST(Utf16le, KnownBytesAndLoneSurrogatesRoundTrip) {
    EXPECT_EQ(toUtf16le(u"A一"), bytesOf({0x41, 0x00, 0x00, 0x4E}));
    EXPECT_EQ(toUtf16le(u"😀"), bytesOf({0x3D, 0xD8, 0x00, 0xDE}));

    const std::u16string odd{u'x', char16_t(0xD800), u'y', char16_t(0xDFFF), char16_t(0xDC00), char16_t(0xD83D)};
    EXPECT_EQ(fromUtf16le(toUtf16le(odd)), odd);
    EXPECT_EQ(toUtf16le(odd).size(), 2 * odd.size());
}

TEST(Utf16le, OddTrailingByteIsDropped) {
    EXPECT_EQ(fromUtf16le(bytesOf({0x41, 0x00, 0x42})), u"A");
    EXPECT_EQ(fromUtf16le(bytesOf({0x41})), u"");
    EXPECT_EQ(fromUtf16le(""), u"");
}

TEST(Utf8, ConvertsBothWaysAndReplacesWhatCannotBeRepresented) {
    EXPECT_EQ(toUtf8(u"设备 A"), "设备 A");
    EXPECT_EQ(fromUtf8("设备 A"), u"设备 A");
    EXPECT_EQ(toUtf8(u"😀"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80"), u"😀");

    struct Case {
        std::string in;
        std::u16string out;
    };
    const Case bad[] = {
        {"\xC0\x80", u"\uFFFD\uFFFD"},            // overlong NUL: bad lead, then stray continuation
        {"\xE0\x80\x80x", u"\uFFFDx"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD"},              // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},          // beyond U+10FFFF
        {"a\xE4\xB8", u"a\uFFFD"},                // truncated at the end
        {"\xE4\xB8x", u"\uFFFDx"},                // truncated before ASCII
        {"\x80" "a", u"\uFFFDa"},                 // stray continuation byte
        {"\xF5\x80", u"\uFFFD\uFFFD"},            // invalid lead byte
    };
    for (const auto& c : bad)
        EXPECT_EQ(fromUtf8(c.in), c.out) << "input bytes: " << c.in.size();
}

// UTF-16 to UTF-8 at the edges of each byte length, pairs, and surrogates
// that are not half of a pair (they have no UTF-8 form).
TEST(Utf8, AppendsUtf16AndReplacesLoneSurrogates) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::u16string in;
        std::string out;
    };
    const Case cases[] = {
        {"ASCII", u"pump 7", "pump 7"},
        {"NUL inside", std::u16string{u'a', 0, u'b'}, "a\0b"s},
        {"empty", u"", ""},
        {"two bytes", u"\u0080\u00E9\u07FF", "\xC2\x80\xC3\xA9\xDF\xBF"},
        {"three bytes", u"\u0800泵\uFFFF", "\xE0\xA0\x80\xE6\xB3\xB5\xEF\xBF\xBF"},
        {"next to the surrogates", u"\uD7FF\uE000", "\xED\x9F\xBF\xEE\x80\x80"},
        {"a real U+FFFD", u"\uFFFD", fffd},
        {"good pairs", u"😀\U00010000\U0010FFFF", "\xF0\x9F\x98\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        {"high alone", std::u16string{u'a', char16_t(0xD800), u'b'}, "a" + fffd + "b"},
        {"low alone", std::u16string{u'a', char16_t(0xDC00), u'b'}, "a" + fffd + "b"},
        {"high at the end", std::u16string{u'泵', char16_t(0xDBFF)}, "\xE6\xB3\xB5" + fffd},
        {"low before high", std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, fffd + fffd},
        {"two lows", std::u16string{char16_t(0xDC00), char16_t(0xDFFF)}, fffd + fffd},
        {"two highs, then a low", std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)},
         fffd + "\xF0\x90\x80\x80"},
        {"high before ASCII", std::u16string{char16_t(0xD83D), u'A'}, fffd + "A"},
    };
    for (const auto& c : cases) {
        std::string out = "x";  // appends to what is there
        appendUtf8(out, c.in, U'\uFFFD');
        EXPECT_EQ(out, "x" + c.out) << c.name;
        EXPECT_EQ(toUtf8(c.in), c.out) << c.name;
        // The view ends where the text does, though a low surrogate follows in memory.
        const std::u16string padded = c.in + char16_t(0xDC00);
        std::string cut = "x";
        appendUtf8(cut, std::u16string_view(padded).substr(0, c.in.size()), U'\uFFFD');
        EXPECT_EQ(cut, out) << c.name;
    }
    // The replacement is the caller's.
    std::string out;
    appendUtf8(out, std::u16string{char16_t(0xDC00), u'\u00E9', char16_t(0xD800)}, U'?');
    EXPECT_EQ(out, "?\xC3\xA9?");
}

// ---- reply builders -------------------------------------------------------

TEST(Replies, WordHasNoTerminatorTextHasOne) {
    EXPECT_EQ(wordReply(u"IGOTIT"), "I\0G\0O\0T\0I\0T\0"s);
    EXPECT_EQ(wordReply(u"ACCEPTED").size(), 16u);
    EXPECT_EQ(textReply(u"一"), "\0\x4E\0\0"s);
    EXPECT_EQ(textReply(u""), std::string(MsgEnd));
    EXPECT_EQ(MsgEnd.size(), 2u);
}

TEST(ListRecordTest, FieldsEachEndWithFieldSepAndRecordWithRecordSep) {
    ListRecord r;
    r.addText(u"泵").addNumber(-7).addDay(45123).addDayTime(45123.5).addText(u"");
    EXPECT_EQ(r.text(), u"泵\x18-7\x18" u"45123\x18" u"45123.5\x18\x18");
    EXPECT_EQ(r.bytes(), toUtf16le(u"泵\x18-7\x18" u"45123\x18" u"45123.5\x18\x18\x19"));

    EXPECT_EQ(ListRecord().bytes(), "\x19\0"s);
    EXPECT_EQ(ListRecord().addNumber(std::numeric_limits<std::int64_t>::min()).text(),
              u"-9223372036854775808\x18");
}

TEST(DecimalText, ShortestRoundTripWithoutExponent) {
    struct Case {
        double v;
        std::u16string text;
    };
    const Case cases[] = {
        {45123.5, u"45123.5"},
        {45123, u"45123"},
        {0.1, u"0.1"},
        {45123.00694, u"45123.00694"},
        {1e-7, u"0.0000001"},
        {1e21, u"1000000000000000000000"},
        {-2.25, u"-2.25"},
        {-0.0, u"0"},
        {1.0 / 3, u"0.3333333333333333"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimalText(c.v), c.text) << c.v;
        EXPECT_EQ(leadingNumber(decimalText(c.v)), c.v) << "does not read back: " << c.v;
    }
    EXPECT_THROW(decimalText(std::nan("")), std::invalid_argument);
    EXPECT_THROW(ListRecord().addDayTime(std::numeric_limits<double>::infinity()), std::invalid_argument);
}

// ---- field splitting ------------------------------------------------------

TEST(SplitFields, FieldsAreTheTextsBeforeEachFieldSep) {
    struct Case {
        std::u16string body;
        std::size_t from;
        std::vector<std::u16string> fields;
    };
    const Case cases[] = {
        {u"EQUADD" u"泵\x18" u"12\x18", 6, {u"泵", u"12"}},
        {u"WOLIST1" u"a\x18" u"b\x18", 7, {u"a", u"b"}},
        {u"MYGRAD", 6, {}},
        {u"CMDXYZ\x18\x18", 6, {u"", u""}},
        {u"CMDXYZa\x18tail", 6, {u"a"}},                 // text without its FieldSep is no field
        {u"CMDXYZno separator", 6, {}},
        {u"CMDXYZa\x19" u"b\x18", 6, {u"a\x19" u"b"}},   // other separators stay inside
        {u"a\x18", 0, {u"a"}},
        {u"CMDXYZa\x18", 9, {}},                         // start past the end
        {u"", 0, {}},
    };
    for (const auto& c : cases) {
        auto got = splitFields(c.body, c.from);
        std::vector<std::u16string> owned(got.begin(), got.end());
        EXPECT_EQ(owned, c.fields) << toUtf8(c.body);
    }
}

// ---- numeric field values -------------------------------------------------

TEST(LeadingNumber, ReadsTheNumberTheTextBeginsWith) {
    struct Case {
        std::u16string text;
        double value;
    };
    const Case cases[] = {
        {u" 12abc", 12},   {u"abc", 0},      {u"", 0},          {u"\t 7", 7},     {u"+5", 5},
        {u"-2.5", -2.5},   {u".5", 0.5},     {u"-.5x", -0.5},   {u"5.", 5},       {u"-", 0},
        {u".", 0},         {u"1e3", 1000},   {u"1E+2x", 100},   {u"1.5e-1", 0.15}, {u"1e", 1},
        {u"1e+", 1},       {u"2e-x", 2},     {u"12 34", 12},    {u"0x10", 0},     {u"１２", 0},
        {u"\n5", 0},       {u"- 5", 0},      {u"45123.5\x18", 45123.5},
        {u"1e-999", 0},    {u"0e999", 0},    {u"0.00000000000000000000001e-400", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leadingNumber(c.text), c.value) << toUtf8(c.text);

    EXPECT_EQ(leadingNumber(u"1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber(u"-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber(std::u16string(400, u'9') + u"e-1"), std::numeric_limits<double>::infinity());
}

TEST(WholeNumber32, RoundsHalfToEvenAndRefusesWhatDoesNotFit) {
    struct Case {
        std::u16string text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {u" 12abc", 12},
        {u"abc", 0},
        {u"2.5", 2},
        {u"3.5", 4},
        {u"-2.5", -2},
        {u"-3.5", -4},
        {u"0.5", 0},
        {u"1.5", 2},
        {u"2.5000001", 3},
        {u"2.4999999", 2},
        {u"-0.4", 0},
        {u"1e3", 1000},
        {u"99999999999", std::nullopt},
        {u"2147483647", 2147483647},
        {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {u"2147483648", std::nullopt},
        {u"-2147483649", std::nullopt},
        {u"2147483647.4", 2147483647},
        {u"2147483647.5", std::nullopt},                                // even neighbour is 2^31
        {u"2147483646.5", 2147483646},
        {u"-2147483648.5", std::numeric_limits<std::int32_t>::min()},   // even neighbour fits
        {u"-2147483647.5", std::numeric_limits<std::int32_t>::min()},
        {u"1e999", std::nullopt},
        {u"-1e999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wholeNumber32(c.text), c.value) << toUtf8(c.text);
}

// ---- request reader -------------------------------------------------------

struct ReaderCase {
    const char* name;
    std::vector<std::string> chunks;
    std::size_t cap;
    ReadState last;
    std::u16string body;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> oneByteChunks(const std::string& s) {
    std::vector<std::string> v;
    for (char c : s)
        v.emplace_back(1, c);
    return v;
}

std::vector<ReaderCase> readerCases() {
    const std::string cmd = toUtf16le(u"EQUADD泵\x18");
    return {
        {"WholeRequestInOneRead", {cmd + "\0\0"s}, 1024, ReadState::Complete, u"EQUADD泵\x18"},
        {"EmptyBody", {"\0\0"s}, 1024, ReadState::Complete, u""},
        {"EmptyBodyWithZeroCap", {"\0\0"s}, 0, ReadState::Complete, u""},
        {"TerminatorSplitAcrossReads", {"A\0B"s, "\0\0"s, "\0"s}, 1024, ReadState::Complete, u"AB"},
        {"TerminatorAfterWordSplitEvenly", {cmd, "\0"s, "\0"s}, 1024, ReadState::Complete, u"EQUADD泵\x18"},
        // 41 00 | 00 4E: the zero pair straddles two code units.
        {"ZeroPairAtOddOffsetIsText", {toUtf16le(u"A一")}, 1024, ReadState::Incomplete, u"A一"},
        {"ZeroPairAtOddOffsetThenEnd", {toUtf16le(u"A一") + "\0\0"s}, 1024, ReadState::Complete, u"A一"},
        {"ZeroPairAtOddOffsetAcrossReads", {"A\0"s, "\0N\0\0"s}, 1024, ReadState::Complete, u"A一"},
        {"OneByteFeeds", oneByteChunks(toUtf16le(u"A一B") + "\0\0"s), 1024, ReadState::Complete, u"A一B"},
        {"ExtraBytesAfterTerminatorDropped", {"A\0\0\0X\0Y"s}, 1024, ReadState::Complete, u"A"},
        {"LaterReadsAfterTerminatorIgnored", {"A\0\0\0"s, "X\0\0\0"s}, 1024, ReadState::Complete, u"A"},
        {"BodyExactlyAtCap", {"ABCDEFGH\0\0"s}, 8, ReadState::Complete, u"䉁䑃䙅䡇"},
        {"BodyOverCapWithoutTerminator", {"ABCDEFGHIJ"s}, 8, ReadState::TooLarge, u""},
        {"BodyOverCapEvenWithTerminator", {"ABCDEFGHIJ\0\0"s}, 8, ReadState::TooLarge, u""},
        {"OverCapReachedByteByByte", oneByteChunks("ABCDEFGHIJ"), 8, ReadState::TooLarge, u""},
        {"OddCapAllowsTheEvenBodyBelowIt", {"ABCD\0\0"s}, 5, ReadState::Complete, u"䉁䑃"},
        {"OddCapRefusesTheBodyAboveIt", {"ABCDEF"s}, 5, ReadState::TooLarge, u""},
        {"AtCapStillWaitingForTerminator", {"ABCDEFGH"s}, 8, ReadState::Incomplete, u"䉁䑃䙅䡇"},
    };
}

class RequestReaderTable : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(RequestReaderTable, AssemblesTheBody) {
    const ReaderCase& c = GetParam();
    RequestReader reader(c.cap);
    ReadState s = ReadState::Incomplete;
    for (const auto& chunk : c.chunks)
        s = reader.feed(chunk.data(), chunk.size());
    EXPECT_EQ(s, c.last);
    EXPECT_EQ(reader.state(), c.last);
    EXPECT_EQ(reader.body(), c.body);
}

INSTANTIATE_TEST_SUITE_P(Cases, RequestReaderTable, ::testing::ValuesIn(readerCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RequestReader, CompletesOnlyAtTheLastChunkThatBringsTheTerminator) {
    RequestReader reader;
    EXPECT_EQ(reader.feed("A\0B", 3), ReadState::Incomplete);
    EXPECT_EQ(reader.feed("\0\0", 2), ReadState::Incomplete);  // 42 00 00: pair at odd offset 3
    EXPECT_EQ(reader.feed("", 0), ReadState::Incomplete);
    EXPECT_EQ(reader.feed("\0", 1), ReadState::Complete);
    EXPECT_EQ(reader.size(), 4u);
}

TEST(RequestReader, DefaultCapIsOneMebibyte) {
    const std::size_t cap = 1048576;
    std::string body(cap, 'A');

    RequestReader atCap;
    EXPECT_EQ(atCap.feed(body.data(), body.size()), ReadState::Incomplete);
    EXPECT_EQ(atCap.feed("\0\0", 2), ReadState::Complete);
    EXPECT_EQ(atCap.body().size(), cap / 2);

    RequestReader over;
    body += "AB";
    EXPECT_EQ(over.feed(body.data(), body.size()), ReadState::TooLarge);
    EXPECT_EQ(over.feed("\0\0", 2), ReadState::TooLarge);
    EXPECT_EQ(over.size(), 0u);
}

}  // namespace
}  // namespace tav
