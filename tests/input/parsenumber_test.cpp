#include "input/parsenumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace ovalon {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

struct AcceptedCase {
  const char* name;
  const char* text;
  double expected;
};

// Expected values are the double literals the compiler rounds correctly; for these texts the
// extended value is correctly rounded too (at most 19 digits, power of ten at most 10^27) and
// its rounding to double meets no tie.
const AcceptedCase Accepted[] = {
    {"plain", "1.5", 1.5},
    {"leading spaces and sign", "  -2.25", -2.25},
    {"leading plus", "+3", 3.0},
    {"integer", "42", 42.0},
    {"point without fraction", "5.", 5.0},
    {"point without integer", ".5", 0.5},
    {"lone point", ".", 0.0},
    {"exponent form", "1.5E-3", 0.0015},
    {"lower-case exponent with sign", "-2e+1", -20.0},
    {"exponent with leading zeros", "1e0003", 1000.0},
    {"tenth", "0.1", 0.1},
    {"three tenths (division by the exact power)", "0.3", 0.3},
    {"leading zeros keep every digit", "0000000000000000000000000001.25", 1.25},
    {"many fraction digits", "0.12345678901234567890123", 0.12345678901234567890123},
    {"18 digits", "123456789012345678", 123456789012345678.0},
    // Accumulating and scaling in doubles instead of extended would give the neighbouring double
    // for these two (found with exact rational arithmetic in Python).
    {"extended accumulation", "17472842155.438677", 17472842155.438677},
    {"extended division", "0.0000000005193957569433087", 0.0000000005193957569433087},
    // 2^53 + 1 is exact in extended; it lies halfway between two doubles: ties to even.
    {"tie to even in the double", "9007199254740993", 9007199254740992.0},
    {"underflow to zero", "1e-400", 0.0},
    // The strict reading has no range check: 10^400 fits the extended range, not the double's.
    {"beyond the double range", "1e400", Inf},
    {"beyond the extended range (strict)", "1e5000", Inf},
    {"zero mantissa with huge exponent", "0e5000", 0.0},
    // The strict syntax lets the mantissa lack digits, also before an exponent.
    {"exponent without mantissa digits", "E5", 0.0},
    // Trailing spaces fail the strict reading and pass the lenient one, as in every field of an
    // atom line except the last.
    {"field with spaces around", " 1.0 ", 1.0},
    {"trailing spaces", "2.5   ", 2.5},
    {"lenient exponent", " -7.5e-1 ", -0.75},
    {"lenient lone point", " . ", 0.0},
};

const char* const Rejected[] = {
    "",
    "   ",
    "1,5",
    "1 000",
    "\t1",
    "1\t",
    "+",
    "-",
    "+ 1",
    "--1",
    "abc",
    "1a",
    "1e",
    "1e+",
    "e",
    "1 2",
    "1..2",
    "1.5.",
    "0x10",
    "inf",
    "nan",
    "E5 ",  // the lenient reading needs a digit or the separator
    ". E5",
    // Overflow of the extended range fails the lenient reading.
    "1e5000 ",
};

TEST(ParseNumber, AcceptedTexts) {
  for (const AcceptedCase& c : Accepted) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(ParseNumber, NegativeZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(ParseNumber("-.")));
  EXPECT_TRUE(std::signbit(ParseNumber("-0 ")));
  EXPECT_FALSE(std::signbit(ParseNumber("0")));
}

TEST(ParseNumber, RejectedTexts) {
  for (const char* text : Rejected) {
    SCOPED_TRACE(std::string("\"") + text + "\"");
    EXPECT_THROW(ParseNumber(text), EConvertError);
  }
}

TEST(ParseNumber, ConversionErrorIsARuntimeError) {
  try {
    ParseNumber("1,5");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("1,5"), std::string::npos);
  }
}

TEST(ParseNumber, LenientReadingTakesThePointAsSeparator) {
  // The lenient reading uses the separator that reading a number sets: "." is the point and ","
  // is not, whatever the locale.
  EXPECT_EQ(ParseNumber("1.5 "), 1.5);
  EXPECT_THROW(ParseNumber("1,5 "), EConvertError);
}

TEST(ReadFieldNumber, TheWindowsSyntaxCorrectlyRounded) {
  const struct {
    const char* field;
    double expected;
  } accepted[] = {
      {"1.5", 1.5},
      {"+0.2", 0.2},
      {"-.5", -0.5},
      {"3e-1", 0.3},
      {"1E+05", 1e5},
      {"7.", 7},
      {"-0", -0.0},
      {"1e-310", 1e-310},
      // 2^53 + 1 in 17 digits: the nearest double is 2^53, ties to even.
      {"9007199254740993", 9007199254740992.0},
  };
  for (const auto& c : accepted) {
    SCOPED_TRACE(c.field);
    const std::optional<double> value = ReadFieldNumber(c.field);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, c.expected);
    EXPECT_EQ(std::signbit(*value), std::signbit(c.expected));
  }
  // "." and " 1" are numbers to ParseNumber but not fields; the rest are not numbers at all, or
  // not finite.
  for (const char* field : {"", ".", " 1", "1 ", "+", "+-1", "++1", "1,5", "0x10", "1e", "nan",
                            "inf", "-inf", "1e999", "1e-400", "1\t"}) {
    SCOPED_TRACE(std::string("\"") + field + "\"");
    EXPECT_FALSE(ReadFieldNumber(field).has_value());
  }
}

}  // namespace
}  // namespace ovalon
