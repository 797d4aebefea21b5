#include "input/parsenumber.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// The quick reading must give std::from_chars' correctly rounded value wherever it answers, and
// answer for the coordinates of ordinary files. Random decimals of 1 to 21 digits with the point
// anywhere cover both sides of its limits (19 digits, 2^53, 22 decimals).
TEST(ReadPlainDecimal, AgreesWithCorrectRoundingWhereItAnswers) {
  std::mt19937_64 random(7);
  int answered = 0;
  for (int n = 0; n < 200000; ++n) {
    std::string text = random() % 2 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 21);
    const int point = static_cast<int>(random() % (digits + 2));  // digits + 1: no point
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (point == digits) text += '.';
    SCOPED_TRACE(text);
    double expected = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(parsed.ptr, text.data() + text.size());
    double value = 0;
    const std::size_t length = ReadPlainDecimal(text, value);
    if (length == 0) continue;
    ++answered;
    ASSERT_EQ(length, text.size());
    ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << value << " " << expected;
  }
  EXPECT_GT(answered, 100000);
  // Six decimals, as trajectories are written, are always answered.
  double value = 0;
  EXPECT_EQ(ReadPlainDecimal("-123456789.123456", value), 17u);
  EXPECT_EQ(value, -123456789.123456);
}

TEST(ReadPlainDecimal, StopsAtTheFirstCharacterOutsideAPlainDecimal) {
  const struct {
    const char* text;
    std::size_t length;
  } cases[] = {
      {"1.5 2", 3}, {"1.5\t", 3}, {"-0", 2}, {".5", 2}, {"7.", 2}, {"1.2.3", 3},  {"12x", 2},
      {"", 0},      {"-", 0},      {".", 0},  {"+1", 0}, {"--1", 0}, {"1e5", 0},  {"1.5E-3", 0},
      {"nan", 0},   {" 1", 0},     {"12345678901234567890", 0},  {"9007199254740993", 0},
      {"1.00000000000000000000001", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double value = 42;
    EXPECT_EQ(ReadPlainDecimal(c.text, value), c.length);
    if (c.length == 0) {
      EXPECT_EQ(value, 42);
    }
  }
  double value = 1;
  ReadPlainDecimal("-0", value);
  EXPECT_TRUE(std::signbit(value));
}

// ParseNumber as it was before the mantissa stopped at the extended range, kept verbatim in its
// arithmetic: every mantissa digit accumulated, one scaling by powl beyond 10^27. Texts whose
// mantissa stays within the extended range must read exactly as it read them.
std::optional<double> ParseNumberBeforeTheRangeLimit(std::string_view text) {
  const auto power = [](long long n) {
    long double p = 1;
    if (n > 27) return powl(10.0L, static_cast<long double>(n));
    for (long long i = 0; i < n; ++i) p *= 10;
    return p;
  };
  const auto read = [&](bool strict) -> std::optional<long double> {
    std::size_t pos = 0;
    bool negative = false;
    long double digits = 0;
    long long exponent = 0;
    int digitCount = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (strict && pos >= text.size()) return std::nullopt;
    const auto accumulate = [&](bool fraction) {
      for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digitCount) {
        digits = digits * 10 + (text[pos] - '0');
        if (fraction && exponent > -1000000000) --exponent;
      }
    };
    accumulate(false);
    bool point = false;
    if (pos < text.size() && text[pos] == '.') {
      point = true;
      ++pos;
      accumulate(true);
    }
    if (!strict && digitCount == 0 && !point) return std::nullopt;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
      ++pos;
      bool negativeExponent = false;
      if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negativeExponent = text[pos++] == '-';
      if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return std::nullopt;
      long long value = 0;
      for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        if (value < 1000000000) value = value * 10 + (text[pos] - '0');
      exponent += negativeExponent ? -value : value;
    }
    if (!strict)
      while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos != text.size()) return std::nullopt;
    long double value = digits;
    if (value != 0 && exponent > 0) value = value * power(exponent);
    if (value != 0 && exponent < 0) value = value / power(-exponent);
    if (negative) value = -value;
    if (!strict && std::isinf(value)) return std::nullopt;
    return value;
  };
  std::optional<long double> value = read(true);
  if (!value) value = read(false);
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

/// Texts of numbers in every shape the syntax allows, and near misses: signs, leading zeros,
/// mantissas up to 40 digits, exponents up to ±6000, spaces, stray characters.
std::vector<std::string> GeneratedTexts() {
  std::mt19937_64 random(20240611);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const auto digits = [&](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + pick(10));
    return text;
  };
  std::vector<std::string> texts;
  for (int n = 0; n < 300000; ++n) {
    std::string text(pick(4) == 0 ? pick(3) : 0, ' ');
    if (pick(3) == 0) text += "+-"[pick(2)];
    text += std::string(pick(5) == 0 ? pick(30) : 0, '0');
    text += digits(pick(4) == 0 ? pick(41) : pick(20));
    if (pick(3) > 0) text += "." + digits(pick(4) == 0 ? pick(41) : pick(20));
    if (pick(2) == 0) {
      text += "eE"[pick(2)];
      if (pick(2) == 0) text += "+-"[pick(2)];
      const int scale[] = {10, 400, 5000, 6001};
      text += std::to_string(pick(scale[pick(4)]));
    }
    text += std::string(pick(4) == 0 ? pick(3) : 0, ' ');
    if (pick(50) == 0) text.insert(pick(static_cast<int>(text.size()) + 1), 1, "x ,.e-"[pick(6)]);
    texts.push_back(text);
  }
  return texts;
}

TEST(ParseNumber, ShortTextsReadExactlyAsBefore) {
  int compared = 0;
  for (const std::string& text : GeneratedTexts()) {
    const std::optional<double> before = ParseNumberBeforeTheRangeLimit(text);
    std::optional<double> now;
    try {
      now = ParseNumber(text);
    } catch (const EConvertError&) {
    }
    ASSERT_EQ(now.has_value(), before.has_value()) << '"' << text << '"';
    if (!now) continue;
    ++compared;
    ASSERT_EQ(std::memcmp(&*now, &*before, sizeof(double)), 0)
        << '"' << text << "\": " << *now << " was " << *before;
  }
  EXPECT_GT(compared, 200000);  // most generated texts are numbers
}

struct LongMantissaCase {
  const char* name;
  std::string text;
  double expected;
};

/// Texts whose mantissa exceeds the largest extended value (about 1.19E4932) as an integer,
/// though the number each writes is in range (but the last). Expected values are the exact
/// decimal values rounded to double.
std::vector<LongMantissaCase> LongMantissaCases() {
  const std::string zeros4932(4932, '0');
  return {
      {"one and 4933 zero decimals", "1." + zeros4932 + "0", 1.0},
      {"two and 4932 zero decimals", "2." + zeros4932, 2.0},
      {"integer digits still count", "1" + zeros4932 + "000e-4935", 1.0},
      {"8 kB of digits, small exponent", "0." + std::string(100, '0') + std::string(8000, '3'),
       3.3333333333333333333e-101},
      {"a divisor beyond the range", std::string(4700, '1') + "e-5000", 1.1111111111111111111e-301},
      {"negative", "-" + std::string(6000, '9') + "e-6000", -1.0},
      {"beyond the range for real", std::string(4933, '9'), Inf},
  };
}

TEST(ParseNumber, MantissasBeyondTheExtendedRange) {
  std::vector<LongMantissaCase> cases = LongMantissaCases();
  cases.push_back({"with spaces (lenient reading)", " 2." + std::string(4932, '0') + " ", 2.0});
  for (const LongMantissaCase& c : cases) {
    SCOPED_TRACE(c.name);
    const double value = ParseNumber(c.text);
    // Each of the up to 4,933 accumulation steps rounds by at most 2^-64 relative, and powl
    // and the division add about as much again: about 2.7E-16 in all, less than two units in
    // the last place of a double (2^-52 ≈ 2.2E-16 relative).
    if (std::isinf(c.expected))
      EXPECT_EQ(value, c.expected);
    else
      EXPECT_NEAR(value, c.expected, 2 * std::abs(c.expected) * 0x1p-52) << value;
  }
  EXPECT_THROW(ParseNumber(std::string(4933, '9') + " "), EConvertError);  // lenient: overflow
}

TEST(ReadFieldNumber, MantissasOfThousandsOfDigitsRoundCorrectly) {
  for (const LongMantissaCase& c : LongMantissaCases()) {
    SCOPED_TRACE(c.name);
    const std::optional<double> value = ReadFieldNumber(c.text);
    if (std::isinf(c.expected)) {
      EXPECT_FALSE(value.has_value());  // beyond the 64-bit range, as 1e999
    } else {
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, c.expected);
    }
  }
  // 2^53 + 1 lies halfway between two doubles; a 1 after 5,000 zero decimals decides upwards.
  const std::string zeros(5000, '0');
  EXPECT_EQ(ReadFieldNumber("9007199254740993." + zeros), 9007199254740992.0);
  EXPECT_EQ(ReadFieldNumber("9007199254740993." + zeros + "1"), 9007199254740994.0);
}

}  // namespace
}  // namespace ovalon
