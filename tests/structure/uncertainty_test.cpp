// Numbers with standard uncertainties in parentheses.

#include "structure/uncertainty.h"

#include <gtest/gtest.h>

#include <string>

namespace ovalon {
namespace {

TEST(ReadMeasured, ReadsValuesAndUncertaintiesInUnitsOfTheLastDigit) {
  // Expected values written as decimal literals, so both sides round the same decimal.
  struct Case {
    const char* field;
    double value;
    double uncertainty;
  };
  const Case cases[] = {
      {"0.1234(5)", 0.1234, 0.0005},     {"12(3)", 12, 3},
      {"-0.5(12)", -0.5, 1.2},           {"1.0E-3(2)", 1.0E-3, 0.0002},
      {"1.2345(12)", 1.2345, 0.0012},    {"10.5432(102)", 10.5432, 0.0102},
      {"+3.25e+1(4)", 32.5, 0.4},         {"0.25", 0.25, 0},
      {"90", 90, 0},                     {"-.5(1)", -0.5, 0.1},
      {"2.(1)", 2, 1},                   {"7.5E2(13)", 750, 130},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const MeasuredField field = ReadMeasured(c.field);
    EXPECT_FALSE(field.unknown);
    ASSERT_TRUE(field.measured.has_value());
    EXPECT_EQ(field.measured->value, c.value);
    EXPECT_EQ(field.measured->uncertainty, c.uncertainty);
  }
}

TEST(ReadMeasured, TellsUnknownFromMalformed) {
  for (const char* unknown : {"?", "."}) {
    SCOPED_TRACE(unknown);
    const MeasuredField field = ReadMeasured(unknown);
    EXPECT_TRUE(field.unknown);
    EXPECT_FALSE(field.measured.has_value());
  }
  for (const char* bad : {"", "abc", "0.12(", "0.12()", "0.12(3", "0.12(a)", "0.12(3)x",
                          "0,12(3)", "0.12 (3)", "(3)", "1E999", "0.1(-2)", "1.0E(2)"}) {
    SCOPED_TRACE(bad);
    const MeasuredField field = ReadMeasured(bad);
    EXPECT_FALSE(field.unknown);
    EXPECT_FALSE(field.measured.has_value());
  }
}

}  // namespace
}  // namespace ovalon
