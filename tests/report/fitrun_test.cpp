#include "report/fitrun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/fpenvironment.h"
#include "fit/lma.h"
#include "fit/mnk.h"
#include "tests/support/lines.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

using test::ExpectSameLines;
using test::GoldenPath;
using test::ReadLines;
using test::SpiralPoints;
using test::UniformErrors;

PointSet Cage() { return SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1); }

FitSettings Marquardt() {
  FitSettings s;
  s.leastSquares = false;
  return s;
}

void ExpectNoFitResult(const FitRunResult& r) {
  EXPECT_TRUE(r.lines.empty());
  EXPECT_FALSE(r.fitParams.has_value());
  EXPECT_FALSE(r.fitErrors.has_value());
}

/// golden/fixture.txt: 60 lines "x y z dx dy dz" of exact decimals.
bool ReadGoldenFixture(PointSet& coords, PointSet& errors) {
  std::ifstream in(GoldenPath("fixture.txt"));
  for (int i = 1; i <= AtomCount; ++i) {
    if (!(in >> coords.X.at(i) >> coords.Y.at(i) >> coords.Z.at(i) >> errors.X.at(i) >>
          errors.Y.at(i) >> errors.Z.at(i)))
      return false;
  }
  return true;
}

TEST(CoordinatesLoaded, IsFalseOnlyForAnAllZeroOrNaNSum) {
  const Extended nan = std::numeric_limits<double>::quiet_NaN();
  PointSet one;
  one.Z.at(60) = -0.5;
  PointSet withNaN = Cage();
  withNaN.Y.at(7) = nan;
  PointSet infinite;
  infinite.X.at(1) = std::numeric_limits<double>::infinity();
  PointSet negativeZeros;
  negativeZeros.X.data.fill(-0.0);
  EXPECT_FALSE(CoordinatesLoaded(PointSet{}));
  EXPECT_FALSE(CoordinatesLoaded(negativeZeros));
  EXPECT_FALSE(CoordinatesLoaded(withNaN));
  EXPECT_TRUE(CoordinatesLoaded(one));
  EXPECT_TRUE(CoordinatesLoaded(infinite));
}

TEST(RunFit, NothingHappensBeforeCoordinatesAreLoaded) {
  FitSettings s;
  s.inversePrecision = "not a number";
  const FitRunResult r = RunFit(PointSet{}, PointSet{}, s, ".");
  EXPECT_EQ(r.status, FitStatus::NotRun);
  EXPECT_FALSE(r.inversePrecision.has_value());
  EXPECT_FALSE(r.rotationPrecision.has_value());
  ExpectNoFitResult(r);
}

TEST(RunFit, RejectedFieldKeepsWhatWasReadBefore) {
  const struct {
    const char* name;
    std::string FitSettings::*field;
    const char* text;
    bool inverseRead;
    bool rotationRead;
  } cases[] = {
      {"Edit6 text", &FitSettings::inversePrecision, "abc", false, false},
      {"Edit6 empty", &FitSettings::inversePrecision, "", false, false},
      {"Edit7 decimal comma", &FitSettings::rotationPrecision, "1,5", true, false},
      {"Edit1 text", &FitSettings::cycles, "x", true, true},
      {"Edit1 space", &FitSettings::cycles, " ", true, true},
      {"Edit1 1E10", &FitSettings::cycles, "1E10", true, true},
      {"Edit1 2^31", &FitSettings::cycles, "2147483648", true, true},
      {"Edit1 -2^31-1", &FitSettings::cycles, "-2147483649", true, true},
      {"Edit1 NAN", &FitSettings::cycles, "NAN", true, true},
      {"Edit1 INF", &FitSettings::cycles, "INF", true, true},
      {"Edit1 beyond a 64-bit real", &FitSettings::cycles, "1E400", true, true},
      {"Edit2", &FitSettings::start, "1..0", true, true},
      {"Edit3", &FitSettings::lambda, "--1", true, true},
      {"Edit4", &FitSettings::step, "\t10", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FitSettings settings = Marquardt();
    settings.*c.field = c.text;
    const FitRunResult r = RunFit(Cage(), UniformErrors(0.01), settings, ".");
    EXPECT_EQ(r.status, FitStatus::InvalidInput);
    const std::optional<Extended> unread;
    EXPECT_EQ(r.inversePrecision, c.inverseRead ? std::optional<Extended>(1e-10) : unread);
    EXPECT_EQ(r.rotationPrecision, c.rotationRead ? std::optional<Extended>(1e-20) : unread);
    ExpectNoFitResult(r);
  }
}

// The first field that fails is named; a later bad field does not hide an earlier one.
TEST(RunFit, RejectedFieldIsNamed) {
  const struct {
    std::string FitSettings::*field;
    FitField named;
  } cases[] = {
      {&FitSettings::inversePrecision, FitField::InversePrecision},
      {&FitSettings::rotationPrecision, FitField::RotationPrecision},
      {&FitSettings::cycles, FitField::Cycles},
      {&FitSettings::start, FitField::Start},
      {&FitSettings::lambda, FitField::Lambda},
      {&FitSettings::step, FitField::Step},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.named));
    FitSettings settings = Marquardt();
    settings.*c.field = "abc";
    settings.step = c.named == FitField::Step ? "abc" : "?";
    EXPECT_EQ(RunFit(Cage(), UniformErrors(0.01), settings, ".").invalidField, c.named);
  }
  EXPECT_EQ(RunFit(Cage(), UniformErrors(0.01), Marquardt(), ".").invalidField, std::nullopt);
}

TEST(RunFit, LeastSquaresDoesNotReadTheMarquardtFields) {
  FitSettings s;
  s.cycles = s.start = s.lambda = s.step = "?";
  EXPECT_EQ(RunFit(Cage(), UniformErrors(0.01), s, ".").status, FitStatus::Done);
}

TEST(RunFit, SingularMatrixReturnsNoLinesAndNoFit) {
  PointSet planar = Cage();
  planar.Z.data.fill(0);
  FitSettings largePrecision;
  largePrecision.inversePrecision = "1E10";
  FitSettings largePrecisionMarquardt = Marquardt();
  largePrecisionMarquardt.inversePrecision = "1E10";
  const struct {
    const char* name;
    PointSet coords;
    FitSettings settings;
    Extended precision;
  } cases[] = {
      {"planar cage, least squares", planar, FitSettings{}, 1e-10},
      {"planar cage, Levenberg–Marquardt", planar, Marquardt(), 1e-10},
      {"precision 1E10, least squares", Cage(), largePrecision, 1e10},
      {"precision 1E10, Levenberg–Marquardt", Cage(), largePrecisionMarquardt, 1e10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FitRunResult r = RunFit(c.coords, UniformErrors(0.01), c.settings, ".");
    EXPECT_EQ(r.status, FitStatus::SingularMatrix);
    EXPECT_EQ(r.inversePrecision, c.precision);
    EXPECT_EQ(r.rotationPrecision, static_cast<Extended>(1e-20));
    ExpectNoFitResult(r);
  }
}

TEST(RunFit, StoresTheHalvedFormOfBothMethods) {
  const PointSet coords = Cage();
  const PointSet errors = UniformErrors(0.01);
  const QuadricParams a = FitQuadricLeastSquares(coords, 1e-10L);
  const QuadricParams da = EstimateQuadricErrors(coords, errors, 1e-10L);

  const FitRunResult ls = RunFit(coords, errors, FitSettings{}, ".");
  ASSERT_EQ(ls.status, FitStatus::Done);
  ASSERT_TRUE(ls.fitParams && ls.fitErrors);
  EXPECT_EQ(ls.lines.size(), 81u);
  for (int k = 1; k <= 9; ++k) {
    SCOPED_TRACE(k);
    const Extended divisor = k <= 3 ? 1 : 2;
    EXPECT_EQ(ls.fitParams->at(k), a.at(k) / divisor);
    EXPECT_EQ(ls.fitErrors->at(k), da.at(k) / divisor);  // signed, as estimated
  }
  EXPECT_EQ(ls.fitParams->at(10), 1);
  EXPECT_EQ(ls.fitErrors->at(10), 0);
  // The report shows |dA|; the stored errors keep their signs, and some of them are negative.
  EXPECT_TRUE(std::any_of(da.data.begin(), da.data.end(), [](Extended e) { return e < 0; }));

  FitSettings m = Marquardt();
  m.cycles = "3";
  const FitRunResult lm = RunFit(coords, errors, m, ".");
  ASSERT_EQ(lm.status, FitStatus::Done);
  EXPECT_EQ(lm.lines.size(), 81u);
  EXPECT_FALSE(lm.fitErrors.has_value());
  const QuadricParams expected = FitQuadricLevenbergMarquardt(coords, {3, 1, 1, 10}, 1e-10L);
  EXPECT_EQ(lm.fitParams, ToQuadricForm(expected, 1));
  EXPECT_EQ(lm.fitParams->at(7), expected.at(7) / 2);
  EXPECT_EQ(lm.fitParams->at(10), 1);
}

TEST(RunFit, CycleCountIsTruncatedTowardZero) {
  const struct {
    const char* cycles;
    int count;
  } cases[] = {{"2.9", 2}, {"-3", -3}, {"-0.9", 0}, {"-2147483648", -2147483647 - 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cycles);
    FitSettings s = Marquardt();
    s.cycles = c.cycles;
    s.start = "0.5";
    s.lambda = "2";
    s.step = "3";
    const FitRunResult r = RunFit(Cage(), PointSet{}, s, ".");
    ASSERT_EQ(r.status, FitStatus::Done);
    const QuadricParams a = FitQuadricLevenbergMarquardt(Cage(), {c.count, 0.5, 2, 3}, 1e-10L);
    EXPECT_EQ(r.fitParams, ToQuadricForm(a, 1));
  }
  // No cycle: the report shows the start values.
  FitSettings s = Marquardt();
  s.cycles = "-3";
  s.start = "0.5";
  const FitRunResult r = RunFit(Cage(), PointSet{}, s, ".");
  EXPECT_EQ(r.lines[70], "A1 = 0.5 ");
  EXPECT_EQ(r.lines[80],
            "(0.5)X^2+(5.000000000E-1)Y^2+(0.5)Z^2+(0.5)XY+(0.5)YZ+(0.5)XZ+(0.5)X+"
            "(0.5)Y+(0.5)Z+1 = 0");
}

// The window reads the fields and builds the report on its own thread and runs the numerics on
// a worker thread, which sets its own floating-point environment first (the x87 control word
// belongs to the thread). The three steps must give exactly what RunFit gives.
TEST(RunFit, StepsWithTheNumericsOnAnotherThreadGiveTheSameRun) {
  const PointSet coords = Cage();
  const PointSet errors = UniformErrors(0.01);
  FitSettings marquardt = Marquardt();
  marquardt.cycles = "300";
  marquardt.lambda = "0.5";
  for (const FitSettings& settings : {FitSettings{}, marquardt}) {
    SCOPED_TRACE(settings.leastSquares ? "least squares" : "Levenberg–Marquardt");
    const PreparedFit prepared = PrepareFit(coords, settings);
    ASSERT_TRUE(prepared.plan.has_value());
    FitOutcome outcome;
    std::thread worker([&] {
      SetExtendedFloatingPointEnvironment();
      outcome = ComputeFit(coords, errors, *prepared.plan, [](int) { return true; });
    });
    worker.join();
    const FitRunResult steps = FinishFit(prepared.result, coords, *prepared.plan, outcome, ".");
    const FitRunResult whole = RunFit(coords, errors, settings, ".");
    ASSERT_EQ(steps.status, FitStatus::Done);
    ExpectSameLines(steps.lines, whole.lines);
    EXPECT_EQ(steps.fitParams, whole.fitParams);
    EXPECT_EQ(steps.fitErrors, whole.fitErrors);
    EXPECT_EQ(steps.inversePrecision, whole.inversePrecision);
    EXPECT_EQ(steps.rotationPrecision, whole.rotationPrecision);
  }
}

TEST(ComputeFit, CancelledRunKeepsOnlyThePrecisionsAndARepeatIsUnchanged) {
  const PointSet coords = Cage();
  FitSettings settings = Marquardt();
  settings.inversePrecision = "1E-12";
  settings.cycles = "200";
  const PreparedFit prepared = PrepareFit(coords, settings);
  ASSERT_TRUE(prepared.plan.has_value());
  EXPECT_EQ(prepared.plan->marquardt.refinementCycles, 200);

  const FitOutcome cancelled =
      ComputeFit(coords, PointSet{}, *prepared.plan, [](int done) { return done < 150; });
  const FitRunResult r = FinishFit(prepared.result, coords, *prepared.plan, cancelled, ".");
  EXPECT_EQ(r.status, FitStatus::Cancelled);
  ExpectNoFitResult(r);
  EXPECT_EQ(r.inversePrecision, static_cast<Extended>(1e-12));
  EXPECT_EQ(r.rotationPrecision, static_cast<Extended>(1e-20));

  // The run keeps nothing between calls, so the repeat is the uninterrupted run.
  const FitOutcome repeated = ComputeFit(coords, PointSet{}, *prepared.plan);
  const FitRunResult again = FinishFit(prepared.result, coords, *prepared.plan, repeated, ".");
  const FitRunResult whole = RunFit(coords, PointSet{}, settings, ".");
  ASSERT_EQ(again.status, FitStatus::Done);
  ExpectSameLines(again.lines, whole.lines);
  EXPECT_EQ(again.fitParams, whole.fitParams);
}

// The golden reports were derived from fixture.txt by golden/derive_fit_report.py, without
// the program: the least-squares solution, quadric values, norms and coefficient errors in
// exact rational arithmetic (square roots to 60 digits) and printed by the script's own
// formatter written from the number-format rules. The script refuses a fixture where any
// printed value lies within rounding reach (1e-15) of a half-way point of its last digit, so
// the extended-precision program must print the same text. The Levenberg–Marquardt report
// with the default settings shows the least-squares solution, which 100 cycles reach.
TEST(RunFit, LeastSquaresReportMatchesTheGoldenReport) {
  PointSet coords, errors;
  ASSERT_TRUE(ReadGoldenFixture(coords, errors));
  const FitRunResult r = RunFit(coords, errors, FitSettings{}, ".");
  ASSERT_EQ(r.status, FitStatus::Done);
  ExpectSameLines(r.lines, ReadLines(GoldenPath("least_squares_report.txt")));
}

TEST(RunFit, MarquardtReportMatchesTheGoldenReport) {
  PointSet coords, errors;
  ASSERT_TRUE(ReadGoldenFixture(coords, errors));
  const FitRunResult r = RunFit(coords, errors, Marquardt(), ".");
  ASSERT_EQ(r.status, FitStatus::Done);
  ExpectSameLines(r.lines, ReadLines(GoldenPath("marquardt_report.txt")));
}

}  // namespace
}  // namespace ovalon
