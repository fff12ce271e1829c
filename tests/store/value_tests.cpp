// Field values: Null as a value of its own, and the number and text readings
// that request handling relies on.
#include "TAVserver/store/store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tav::store {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(Value, NullIsDistinctFromZeroAndEmptyText) {
    const Value null, zero(0), zeroDouble(0.0), empty(u"");
    EXPECT_TRUE(null.isNull());
    EXPECT_FALSE(zero.isNull());
    EXPECT_FALSE(empty.isNull());
    EXPECT_NE(null, zero);
    EXPECT_NE(null, empty);
    EXPECT_NE(zero, empty);
    EXPECT_NE(zero, zeroDouble);
    EXPECT_EQ(null, Value::null());
    EXPECT_EQ(null.type(), Value::Type::Null);
    EXPECT_EQ(zero.type(), Value::Type::Integer);
    EXPECT_EQ(zeroDouble.type(), Value::Type::Double);
    EXPECT_EQ(empty.type(), Value::Type::Text);
    // Read as numbers or text, Null looks like 0 and "" but stays Null.
    EXPECT_EQ(null.asInt(), 0);
    EXPECT_EQ(null.asDouble(), 0.0);
    EXPECT_EQ(null.asText(), u"");
}

TEST(Value, AsIntRoundsHalfToEvenAndReadsTheLeadingNumberOfText) {
    const struct {
        Value in;
        long long want;
    } cases[] = {
        {Value(42), 42},
        {Value(2.5), 2},
        {Value(3.5), 4},
        {Value(-2.5), -2},
        {Value(-3.5), -4},
        {Value(2.4999999), 2},
        {Value(2.5000001), 3},
        {Value(0.5), 0},
        {Value(1.5), 2},
        {Value(1e30), std::numeric_limits<long long>::max()},
        {Value(-1e30), std::numeric_limits<long long>::min()},
        {Value(u"  12.5abc"), 12},
        {Value(u"13.5"), 14},
        {Value(u"\t-7 days"), -7},
        {Value(u"+8"), 8},
        {Value(u"1e3"), 1000},
        {Value(u"2e"), 2},
        {Value(u".5"), 0},
        {Value(u"abc"), 0},
        {Value(u"- 5"), 0},
        {Value(u""), 0},
        {Value(u"9223372036854775807"), std::numeric_limits<long long>::max()},
        {Value(u"-9223372036854775808"), std::numeric_limits<long long>::min()},
        {Value(u"9007199254740993"), 9007199254740993LL},  // not exact as a double
        {Value(u"99999999999999999999"), std::numeric_limits<long long>::max()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.in.asText()));
        EXPECT_EQ(c.in.asInt(), c.want);
    }
}

TEST(Value, AsDoubleReadsTheLeadingNumberOfText) {
    const struct {
        Value in;
        double want;
    } cases[] = {
        {Value(7), 7.0},
        {Value(u" -1.25e2x"), -125.0},
        {Value(u"45678.75 days"), 45678.75},
        {Value(u"3."), 3.0},
        {Value(u"e5"), 0.0},
        {Value(u"1e400"), HUGE_VAL},
        {Value(u"1e-400"), 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.in.asText()));
        EXPECT_EQ(c.in.asDouble(), c.want);
    }
}

TEST(Value, AsTextWritesPlainDecimalThatReadsBackExactly) {
    const struct {
        Value in;
        std::u16string want;
    } cases[] = {
        {Value(-42), u"-42"},
        {Value(9223372036854775807LL), u"9223372036854775807"},
        {Value(3.0), u"3"},
        {Value(-0.0), u"0"},
        {Value(0.1), u"0.1"},
        {Value(45678.125), u"45678.125"},
        {Value(1e21), u"1000000000000000000000"},
        {Value(1.5e-7), u"0.00000015"},
        {Value(u"设备"), u"设备"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.want));
        EXPECT_EQ(c.in.asText(), c.want);
    }
    for (double d : {0.1, 1.0 / 3.0, 45678.00694, -2.675, 1e-300, 5e-324, 1.7976931348623157e308}) {
        SCOPED_TRACE(d);
        const std::u16string text = Value(d).asText();
        EXPECT_EQ(text.find_first_of(u"eE"), std::u16string::npos);
        EXPECT_EQ(Value(text).asDouble(), d);
    }
}

}  // namespace
}  // namespace tav::store
