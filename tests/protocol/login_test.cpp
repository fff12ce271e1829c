// Tests of the greeting and of the 131-byte login record: byte layout,
// build/parse round trips and the records that must be refused.

#include "protocol/login.h"

#include "protocol/password.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

namespace tav {
namespace {

// Time 07:08:09 gives key 190.
const std::string Greeting30 = "k#9 ~Zq!{x}@0Pa" "Q" "20240305070809";

TEST(Greeting, ChallengeThenLocalStamp) {
    EXPECT_EQ(makeGreeting("0123456789abcdef", {2024, 3, 5, 7, 8, 9}), "0123456789abcdef20240305070809");
    EXPECT_EQ(makeGreeting(std::string(16, '~'), {1999, 12, 31, 23, 59, 59}).size(), GreetingSize);
    EXPECT_THROW(makeGreeting("0123456789abcde", {2024, 3, 5, 7, 8, 9}), std::invalid_argument);
    EXPECT_THROW(makeGreeting("0123456789abcdefg", {2024, 3, 5, 7, 8, 9}), std::invalid_argument);
    EXPECT_THROW(makeGreeting("0123456789abcdef", {12024, 3, 5, 7, 8, 9}), std::invalid_argument);
    EXPECT_EQ(greetingChallenge(Greeting30), u"k#9 ~Zq!{x}@0PaQ");
}

TEST(LoginRecordLayout, BytesSitWhereTheServerReadsThem) {
    ASSERT_EQ(Greeting30.size(), 30u);
    const std::uint8_t key = loginKey(Greeting30);
    ASSERT_EQ(key, 190);
    const auto rec = buildLoginRecord(Greeting30, TagUser, u"wang9", u"8一");
    ASSERT_TRUE(rec);
    ASSERT_EQ(rec->size(), LoginRecordSize);

    EXPECT_EQ(rec->substr(0, 64), toUtf16le(encodePswd(u"k#9 ~Zq!{x}@0PaQ")));
    EXPECT_EQ(rec->substr(64, 14), toUtf16le(u"user001"));
    // ID, its NUL, then zeros.
    EXPECT_EQ(rec->substr(78, 20), toUtf16le(u"wang9") + std::string(10, '\0'));
    // Only the low byte of each password unit is scrambled; filler is zero.
    EXPECT_EQ(static_cast<std::uint8_t>((*rec)[98]), '8' ^ key);
    EXPECT_EQ((*rec)[99], '\0');
    EXPECT_EQ(static_cast<std::uint8_t>((*rec)[100]), 0x00 ^ key);
    EXPECT_EQ((*rec)[101], '\x4E');
    EXPECT_EQ(rec->substr(102, 28), std::string(28, '\0'));
    EXPECT_EQ(static_cast<std::uint8_t>((*rec)[130]), 2 ^ key);
}

struct RoundTripCase {
    const char* name;
    std::u16string tag, id, password;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class LoginRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LoginRoundTrip, ParseGivesBackWhatWasBuilt) {
    const RoundTripCase& c = GetParam();
    const auto rec = buildLoginRecord(Greeting30, c.tag, c.id, c.password);
    ASSERT_TRUE(rec);
    ASSERT_EQ(rec->size(), LoginRecordSize);

    const auto parsed = parseLoginRecord(*rec, loginKey(Greeting30));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->answer, encodePswd(greetingChallenge(Greeting30)));
    EXPECT_EQ(parsed->tag, c.tag);
    EXPECT_EQ(parsed->id, c.id);
    EXPECT_EQ(parsed->password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoginRoundTrip,
    ::testing::Values(RoundTripCase{"UserShortId", u"user001", u"wang", u"8526"},
                      RoundTripCase{"AdministratorId", u"supe001", u"\x0e" u"admino", u"secret"},
                      RoundTripCase{"TenCharIdReadWhole", u"user001", u"abcdefghij", u"pw"},
                      RoundTripCase{"NineCharIdEndsAtNul", u"user001", u"abcdefghi", u"pw"},
                      RoundTripCase{"EmptyId", u"user001", u"", u"pw"},
                      RoundTripCase{"SixteenCharPassword", u"user001", u"li", u"0123456789abcdef"},
                      RoundTripCase{"EmptyPassword", u"user001", u"li", u""},
                      RoundTripCase{"ChinesePasswordAndId", u"user001", u"张三", u"一二三四"},
                      // Units whose low byte equals the key turn into zero bytes.
                      RoundTripCase{"PasswordUnitsEqualToKey", u"user001", u"li", u"\u00be\u00be\u01be"},
                      RoundTripCase{"UnknownTagStillCarried", u"xxxx999", u"li", u"p"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoginRecordBuild, RefusesWhatDoesNotFit) {
    struct Case {
        const char* why;
        std::string greeting;
        std::u16string tag, id, password;
    };
    const Case cases[] = {
        {"id of 11", Greeting30, u"user001", u"abcdefghijk", u"pw"},
        {"password of 17", Greeting30, u"user001", u"li", u"0123456789abcdefg"},
        {"short tag", Greeting30, u"user01", u"li", u"pw"},
        {"long tag", Greeting30, u"user0011", u"li", u"pw"},
        {"greeting of 29", Greeting30.substr(0, 29), u"user001", u"li", u"pw"},
        {"greeting of 31", Greeting30 + "0", u"user001", u"li", u"pw"},
        {"full-house greeting", "FULLUSES", u"user001", u"li", u"pw"},
        {"time not digits", Greeting30.substr(0, 24) + "07:809", u"user001", u"li", u"pw"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buildLoginRecord(c.greeting, c.tag, c.id, c.password), std::nullopt) << c.why;
}

TEST(LoginRecordParse, RefusesBadLengthsAndReadsOnlyUpToTheNul) {
    const std::uint8_t key = loginKey(Greeting30);
    std::string rec = *buildLoginRecord(Greeting30, TagUser, u"li", u"0123456789abcdef");

    EXPECT_EQ(parseLoginRecord(rec.substr(0, 130), key), std::nullopt);
    EXPECT_EQ(parseLoginRecord(rec + '\0', key), std::nullopt);

    std::string longer = rec;
    longer[130] = static_cast<char>(17 ^ key);
    EXPECT_EQ(parseLoginRecord(longer, key), std::nullopt);
    longer[130] = static_cast<char>(255 ^ key);
    EXPECT_EQ(parseLoginRecord(longer, key), std::nullopt);

    std::string shorter = rec;
    shorter[130] = static_cast<char>(3 ^ key);
    ASSERT_TRUE(parseLoginRecord(shorter, key));
    EXPECT_EQ(parseLoginRecord(shorter, key)->password, u"012");

    // After the ID's NUL the field is not read, whatever it holds.
    std::string junk = rec;
    junk.replace(78 + 4, 14, toUtf16le(std::u16string{u'\0', u'x', u'y', u'z', u'u', u'v', u'w'}));
    ASSERT_TRUE(parseLoginRecord(junk, key));
    EXPECT_EQ(parseLoginRecord(junk, key)->id, u"li");
}

}  // namespace
}  // namespace tav
