#include "report/format.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "report/decimalseparator.h"

// glibc's newlocale leaks its copy of LOCPATH on every call while that variable is set, which the
// locale tests below do; LeakSanitizer builds read this hook and ignore that one allocation site.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace ovalon {
namespace {

enum class Conversion { General, Exponent, Fixed };

struct FormatCase {
  const char* name;
  Conversion conversion;
  Extended value;
  int precision;
  int digits;
  const char* expected;
};

std::string Format(const FormatCase& c) {
  switch (c.conversion) {
    case Conversion::General:
      return FormatGeneral(c.value, c.precision, c.digits, ".");
    case Conversion::Exponent:
      return FormatExponent(c.value, c.precision, c.digits, ".");
    case Conversion::Fixed:
      return FormatFixed(c.value, c.precision, c.digits, ".");
  }
  return {};
}

constexpr auto G = Conversion::General;
constexpr auto E = Conversion::Exponent;
constexpr auto F = Conversion::Fixed;
constexpr Extended Inf = std::numeric_limits<Extended>::infinity();
constexpr Extended NaN = std::numeric_limits<Extended>::quiet_NaN();

// Expected texts are worked out by hand from the digit rules: the 18 digits d1..d18 and the
// exponent e of each value are those of the exact decimal value of the nearest extended real
// (checked once with exact rational arithmetic in Python: nearest 64-bit significand, then
// round-half-even to 18 digits). Literals with at most 18 significant digits give back those
// digits followed by zeros; the comments show the digits where more matter.
const FormatCase Cases[] = {
    // The worked examples of the conversions.
    {"G 1e-10", G, 1e-10L, 10, 10, "1E-10"},
    {"G 2e10", G, 2e10L, 10, 10, "2E10"},
    {"G 0.0001 positional", G, 0.0001L, 10, 10, "0.0001"},
    {"G 0.00001 scientific", G, 0.00001L, 10, 10, "1E-5"},
    {"G 0.00012345", G, 0.00012345L, 4, 10, "0.0001235"},
    {"G 0.000012345", G, 0.000012345L, 4, 10, "1.235E-5"},
    {"G eleven integer digits", G, 12345678901.0L, 10, 10, "1.23456789E10"},
    {"S 1.5", G, 1.5L, 15, 0, "1.5"},
    {"S minus zero", G, -0.0L, 15, 0, "0"},
    {"E 0.0123", E, 0.0123L, 10, 10, "1.230000000E-2"},
    {"E zero", E, 0.0L, 10, 10, "0.000000000E+0"},
    {"E zero three exponent digits", E, 0.0L, 4, 3, "0.000E+000"},
    {"E -2", E, -2.0L, 10, 10, "-2.000000000E+0"},
    {"F 0.7071067", F, 0.7071067L, 4, 5, "0.70710"},
    {"F 12.3456789", F, 12.3456789L, 7, 5, "12.34568"},
    {"F tiny negative loses its sign", F, -0.0000001L, 9, 6, "0.000000"},
    {"G NaN", G, NaN, 15, 0, "NAN"},
    {"E NaN", E, NaN, 10, 10, "NAN"},
    {"F NaN", F, NaN, 4, 5, "NAN"},
    {"G +inf", G, Inf, 15, 0, "INF"},
    {"E -inf", E, -Inf, 10, 10, "-INF"},
    {"F -inf", F, -Inf, 4, 5, "-INF"},

    // General, positional branch.
    {"G integer padded with zeros", G, 1000.0L, 15, 0, "1000"},
    {"G negative with decimals", G, -123.456L, 15, 0, "-123.456"},
    {"G negative below one", G, -0.00123L, 15, 0, "-0.00123"},
    {"G e equal to precision", G, 1234.0L, 4, 0, "1234"},
    // digits 12345: digit 5 is 5, so 1234 goes up to 1235 (not to the even 1234); e = 5 > 4.
    {"G digit n+1 of 5 rounds up", G, 12345.0L, 4, 0, "1.235E4"},
    // digits 99995: the carry passes d1, giving 1 with e = 5.
    {"G carry past the first digit", G, 9999.5L, 4, 0, "1E4"},
    // digits 999951, e = -3: the carry raises e to -2.
    {"G carry into positional range", G, 0.000999951L, 4, 0, "0.001"},
    // A widened double keeps its 18 digits: 0.1 is 0.1000000000000000055511…
    {"G double 0.1 at 15 digits", G, 0.1, 15, 0, "0.1"},
    {"G double 0.1 at 18 digits", G, 0.1, 18, 0, "0.100000000000000006"},

    // Precision clamped to 2..18.
    {"G precision 1 counts as 2", G, 1.25L, 1, 0, "1.3"},
    {"G precision -5 counts as 2", G, 1.25L, -5, 0, "1.3"},
    {"G precision 30 counts as 18", G, 1e20L, 30, 0, "1E20"},
    {"G 1/3 at 18 digits", G, 1.0L / 3, 30, 0, "0.333333333333333333"},

    // The two roundings: 0.14499999999999999999 has the 18 digits 145000000000000000, and
    // digit 3 of those is 5, so at precision 2 it becomes 0.15.
    {"G second rounding", G, 0.14499999999999999999L, 2, 0, "0.15"},
    // Exact integers below 2^64: the 18-digit rounding is to the nearest, ties to even.
    {"G 18-digit tie to even down", G, 1000000000000000005.0L, 18, 0, "1E18"},
    {"G 18-digit rounding up", G, 1000000000000000015.0L, 18, 0, "1.00000000000000002E18"},
    // 999999999999999999.9 reaches 10^18: divided by 10, e grows to 20.
    {"G 18-digit rounding reaches 10^18", G, 9999999999999999999.0L, 18, 0, "1E19"},
    {"G large exponent", G, 1e300L, 15, 0, "1E300"},
    {"G extended-only exponent", G, -2.5e-4000L, 15, 0, "-2.5E-4000"},

    // Exponent part widths: w = d for 0 <= d <= 4, otherwise at least one digit.
    {"G exponent width 0", G, 1.5e-7L, 4, 0, "1.5E-7"},
    {"G exponent width 3", G, 1.5e-7L, 4, 3, "1.5E-007"},
    {"G exponent width 4", G, 1.5e-7L, 4, 4, "1.5E-0007"},
    {"G exponent width 5 is no width", G, 1.5e-7L, 4, 5, "1.5E-7"},
    {"G exponent negative width", G, 1.5e-7L, 4, -1, "1.5E-7"},
    {"G positive exponent has no sign", G, 1e20L, 2, 3, "1E020"},

    // Exponent conversion.
    {"E always signed", E, 123456.0L, 4, 2, "1.235E+05"},
    // digits 996: 99 + 1 carries past d1, e = 2, and the one further digit is a padded zero.
    {"E carry past the first digit", E, 9.96L, 2, 0, "1.0E+1"},
    {"E precision clamped to 2", E, 2.25L, 1, 5, "2.3E+0"},
    {"E 1/3 at 18 digits", E, 1.0L / 3, 18, 0, "3.33333333333333333E-1"},
    {"E minus zero", E, -0.0L, 3, 1, "0.00E+0"},
    {"E four exponent digits", E, 1e-10L, 3, 4, "1.00E-0010"},

    // Fixed conversion.
    {"F zero", F, 0.0L, 15, 2, "0.00"},
    {"F zero without decimals", F, 0.0L, 15, 0, "0"},
    {"F no decimals rounds up at 5", F, 2.5L, 15, 0, "3"},
    // n = e + d = 0 digits: d1 decides between zero and a carry to 1.
    {"F below one half to zero", F, 0.4L, 15, 0, "0"},
    {"F one half to one", F, 0.5L, 15, 0, "1"},
    {"F minus one half", F, -0.5L, 15, 0, "-1"},
    {"F n = 0 small negative", F, -0.004L, 15, 2, "0.00"},
    {"F n = 0 carry", F, -0.006L, 15, 2, "-0.01"},
    {"F 5e-7 carries to the last decimal", F, 5e-7L, 15, 6, "0.000001"},
    // e + d = -1 < 0: zero at once, without sign.
    {"F e + d negative", F, -0.0009L, 15, 2, "0.00"},
    {"F precision limits the digits", F, 1.23456L, 3, 4, "1.2300"},
    {"F half up at digit n+1", F, 0.125L, 7, 2, "0.13"},
    {"F negative rounded", F, -12.345L, 15, 2, "-12.35"},
    {"F decimals padded", F, 1234.5L, 15, 3, "1234.500"},
    {"F integer digits padded", F, 120000.0L, 15, 0, "120000"},
    {"F more integer digits than precision", F, 123456.0L, 4, 2, "1.235E05"},
    // digits 99997, n = 4: the carry makes e = 5 > 4, so the general text is written.
    {"F carry beyond precision", F, 9999.7L, 4, 2, "1E04"},
    {"F e equal to precision", F, 9999.4L, 4, 2, "9999.00"},
    // Digits are clamped to 18: 18 decimals, not 20.
    {"F digits clamped to 18", F, 1.0L / 3, 4, 20, "0.333300000000000000"},
    {"F 1/3 at 18 decimals", F, 1.0L / 3, 18, 18, "0.333333333333333333"},
};

TEST(Format, CaseTable) {
  for (const FormatCase& c : Cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Format(c), c.expected);
  }
}

TEST(Format, EveryConversionWritesTheGivenSeparator) {
  EXPECT_EQ(FormatGeneral(1.5L, 15, 0, ","), "1,5");
  EXPECT_EQ(FormatGeneral(0.00012345L, 4, 10, ","), "0,0001235");
  EXPECT_EQ(FormatGeneral(1.5e-7L, 4, 0, ","), "1,5E-7");
  EXPECT_EQ(FormatExponent(1.5L, 4, 2, ","), "1,500E+00");
  EXPECT_EQ(FormatFixed(-0.25L, 15, 3, ","), "-0,250");
  // A separator of more than one byte (the Arabic decimal separator U+066B).
  EXPECT_EQ(FormatGeneral(2.5L, 15, 0, "\u066B"), "2\u066B5");
  // No separator where no decimals are written.
  EXPECT_EQ(FormatGeneral(25.0L, 15, 0, ","), "25");
  EXPECT_EQ(FormatFixed(25.0L, 15, 0, ","), "25");
}

TEST(DecimalSeparator, BecomesThePointForGoodOnceANumberWasRead) {
  SetDecimalSeparator(",");
  SetDecimalSeparatorAfterParsing(false);
  EXPECT_EQ(DecimalSeparator(), ",");
  SetDecimalSeparatorAfterParsing(true);
  EXPECT_EQ(DecimalSeparator(), ".");
  SetDecimalSeparatorAfterParsing(false);
  EXPECT_EQ(DecimalSeparator(), ".");
}

// A Russian locale (decimal comma) compiled into a private folder named by LOCPATH, so that the
// test does not depend on the locales the machine has generated. Skips when localedef or the
// locale sources are missing. It does not touch the separator in SetUp, so that a fresh process
// running the test still sees the separator's first value.
class LocaleSeparatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The death test's second process inherits the folder and reuses it.
    if (const char* inherited = getenv(FolderVariable)) {
      m_folder = inherited;
      return;
    }
    char folder[] = "/tmp/ovalon-locale-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    m_folder = folder;
    m_ownsFolder = true;
    const std::string command =
        "localedef -i ru_RU -f UTF-8 --no-archive " + m_folder + "/ru_RU.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "cannot compile the ru_RU locale";
    setenv("LOCPATH", m_folder.c_str(), 1);
    setenv(FolderVariable, m_folder.c_str(), 1);
  }
  void TearDown() override {
    if (!m_ownsFolder) return;
    unsetenv("LOCPATH");
    unsetenv(FolderVariable);
    unsetenv("LC_ALL");
    std::system(("rm -rf " + m_folder).c_str());
    SetDecimalSeparator(".");
  }

  static constexpr const char* FolderVariable = "OVALON_TEST_LOCALE_FOLDER";
  std::string m_folder;
  bool m_ownsFolder = false;
};

TEST_F(LocaleSeparatorTest, FollowsTheEnvironmentsLocale) {
  setenv("LC_ALL", "ru_RU.UTF-8", 1);
  SetDecimalSeparatorFromLocale();
  EXPECT_EQ(DecimalSeparator(), ",");
  // The C library's own locale is left as it was.
  EXPECT_STREQ(localeconv()->decimal_point, ".");

  setenv("LC_ALL", "C", 1);
  SetDecimalSeparatorFromLocale();
  EXPECT_EQ(DecimalSeparator(), ".");

  setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
  SetDecimalSeparator(",");
  SetDecimalSeparatorFromLocale();
  EXPECT_EQ(DecimalSeparator(), ".");
}

TEST_F(LocaleSeparatorTest, StartsAsTheLocalesSeparator) {
  // The separator's first value can only be seen in a fresh process: the "threadsafe" death
  // test style runs this test again in a new process and checks its exit status there.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("LC_ALL", "ru_RU.UTF-8", 1);
  EXPECT_EXIT(std::exit(DecimalSeparator() == "," ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace ovalon
