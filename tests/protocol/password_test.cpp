// Tests of the password transform (reference values, output shape, the
// 16-byte cut) and of the login key.

#include "protocol/password.h"

#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tav {
namespace {

const std::u16string loneHigh{char16_t(0xD800)};
const std::u16string loneLowInside{u'a', u'b', char16_t(0xDC00), u'c', u'd'};

TEST(EncodePswd, ReferenceValues) {
    // Computed independently: lengthen, GBK with "?" for unmappable
    // characters, first 16 bytes, PBKDF2-HMAC-SHA256, upper-case hex.
    struct Case {
        std::u16string in;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"", u"136B6F27E41ABE151C085B2CE63830A6"},
        {u"8526", u"29EB1FCA42C6C9D8EA1E56418C62AA6F"},
        {u"一二三四五六七八九", u"832A19601BF301FBF9367BC66E519BF5"},
        {u"a", u"F08F64125944318C9BF233B0B8DFC0D5"},
        {u"abcdefghijklmno", u"0254EB90FEF2C4C59A2DA3FAB0B88B51"},
        {u"abcdefghijklmnop", u"3DCC62DB449A8CB32EF6CD89BCE50A90"},
        {std::u16string(100, u'x'), u"AFE993E05EB8B61489352AC57B0A89D6"},
        {u"密码", u"97F371610BC841103C01BD5436186AB7"},
        {u"维修设备管理系统口令字段", u"AB25386B2D693AC0125085D8F517D2EA"},
        {u"abcdefghijklmno一", u"2636BC7FE4BA33ECEC4EB58F3FCAF56C"},  // only the lead byte of 一 counts
        // Each emoji counts as two units when lengthening but maps to one "?":
        // the lengthened text gives just 15 bytes, all of which are hashed.
        {u"😀", u"03E8135B6AC852CF76AD702B98D4EB01"},
        {loneHigh, u"E777429A0236DB6E61DD0CC39D862C31"},
        {loneLowInside, u"8E83E2710D975EF5AC7146A38AA93197"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encodePswd(c.in), c.out) << toUtf8(c.in);
}

TEST(EncodePswd, AlwaysThirtyTwoUpperHexDigits) {
    const std::u16string inputs[] = {
        u"",
        u"1",
        std::u16string(15, u'q'),
        std::u16string(16, u'q'),
        std::u16string(17, u'q'),
        std::u16string(100, u'Z'),
        u"设备维修",
        u"😀😀",
        loneHigh,
        std::u16string{char16_t(0xDFFF), char16_t(0xDFFF)},
        std::u16string(3, u'\0'),
        u"\x18\x19\x17",
    };
    for (const auto& in : inputs) {
        const std::u16string out = encodePswd(in);
        ASSERT_EQ(out.size(), 32u) << toUtf8(in);
        for (char16_t c : out)
            EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << toUtf8(in);
        EXPECT_EQ(encodePswd(in), out) << "not deterministic";
    }
}

TEST(EncodePswd, OnlyTheFirstSixteenGbkBytesCount) {
    struct Pair {
        std::u16string a, b;
        bool same;
    };
    const Pair pairs[] = {
        {u"abcdefghijklmnop", u"abcdefghijklmnopq", true},
        {u"abcdefghijklmnop", u"abcdefghijklmnopXYZ一二三", true},
        // 一 (D2 BB) and 乙 (D2 D2) share the lead byte, which is the 16th byte.
        {u"abcdefghijklmno一", u"abcdefghijklmno乙", true},
        // Eight double-byte characters fill the 16 bytes on their own.
        {u"一二三四五六七八", u"一二三四五六七八九", true},
        // Any emoji and any unmappable character become the same "?".
        {u"😀", u"🚀", true},
        {u"abcdefghijklmnoX", u"abcdefghijklmnoY", false},
        {u"Abcdefghijklmnop", u"abcdefghijklmnop", false},
        {u"abcdefghijklmno一", u"abcdefghijklmno丁", false},  // 丁 is B6 A1
        {u"一二三四五六七八", u"一二三四五六七九", false},
        {u"ab", u"abc", false},
        // Lengthening "abc" passes through "abc", Chr(24), "abc" itself.
        {u"abc", u"abc\x18" u"abc", true},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(encodePswd(p.a) == encodePswd(p.b), p.same) << toUtf8(p.a) << " / " << toUtf8(p.b);
}

TEST(LoginKey, SecondsOfTheDayModuloPlusOne) {
    struct Case {
        const char* greeting;
        int key;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNOP20240305070809", (7 * 3600 + 8 * 60 + 9) % 255 + 1},  // 190
        {"ABCDEFGHIJKLMNOP20240305000000", 1},
        {"ABCDEFGHIJKLMNOP20240305000414", 255},  // 254 s
        {"ABCDEFGHIJKLMNOP20240305000415", 1},    // 255 s wraps
        {"ABCDEFGHIJKLMNOP19991231235959", 210},  // 86399 s
        {"                20240305070809", 190},  // only the time digits count
    };
    for (const auto& c : cases)
        EXPECT_EQ(loginKey(c.greeting), c.key) << c.greeting;

    EXPECT_THROW(loginKey("ABCDEFGHIJKLMNOP2024030507080"), std::invalid_argument);
    EXPECT_THROW(loginKey("ABCDEFGHIJKLMNOP2024030507x809"), std::invalid_argument);
    EXPECT_THROW(loginKey("FULLUSES"), std::invalid_argument);
}

}  // namespace
}  // namespace tav
