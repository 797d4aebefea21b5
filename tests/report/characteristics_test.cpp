#include "report/characteristics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "core/singularmatrixerror.h"
#include "ellipsoid/ellipsoid.h"
#include "report/format.h"
#include "tests/support/lines.h"

namespace ovalon {
namespace {

using Lines = std::vector<std::string>;

QuadricForm Form(std::array<Extended, 10> values) {
  QuadricForm q;
  q.data = values;
  return q;
}

// Atoms on multiples of 1/64 and their errors; the golden script builds the same numbers.
PointSet FixtureAtoms() {
  PointSet atoms;
  for (int i = 1; i <= AtomCount; ++i) {
    atoms.X.at(i) = i / 16.0 - 2;
    atoms.Y.at(i) = (i % 7) / 4.0 - 1;
    atoms.Z.at(i) = 0.75 - i / 32.0;
  }
  return atoms;
}

PointSet FixtureErrors() {
  PointSet errors;
  for (int i = 1; i <= AtomCount; ++i) {
    errors.X.at(i) = 0.01 * (i % 5 + 1);
    errors.Y.at(i) = 0.02;
    errors.Z.at(i) = 0.005 * i;
  }
  return errors;
}

CharacteristicsInput Input(QuadricForm q, QuadricForm e = QuadricForm{}) {
  CharacteristicsInput input;
  input.fitParams = q;
  input.fitErrors = e;
  input.inversePrecision = 1e-10;  // the initial Edit6 and Edit7, parsed as 64-bit values
  input.rotationPrecision = 1e-20;
  input.atomCoords = FixtureAtoms();
  input.coordErrors = FixtureErrors();
  return input;
}

// An ellipsoid tilted in every plane: its reduction rotates in all three planes.
const QuadricForm Tilted =
    Form({0.04L, 0.03L, 0.05L, 0.01L, -0.005L, 0.008L, -0.1L, 0.2L, 0.05L, -0.5L});
const QuadricForm TiltedErrors =
    Form({0.0004L, -0.0003L, 0.0002L, 0.0001L, 0.00005L, -0.0001L, 0.001L, -0.002L, 0.0015L, 0});

// The index of the line that equals `text`, or −1.
int Find(const Lines& lines, const std::string& text) {
  const auto it = std::find(lines.begin(), lines.end(), text);
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

// The number after `prefix` in a line such as "Lambda1 = 0.25".
double NumberAfter(const std::string& line, const std::string& prefix) {
  EXPECT_TRUE(line.starts_with(prefix)) << line;
  return std::stod(line.substr(prefix.size()));
}

TEST(Characteristics, AxisAlignedEllipsoidGivesTheGoldenReport) {
  // The expected text comes from tests/report/golden/characteristics_golden.py, which
  // derives it with exact rational arithmetic and its own formatter: the quadratic part is
  // diagonal, so V = W = I and every number is a textbook formula of the coefficients. All
  // three eigenvalues are negative, so the "Experimental ABC" block takes the negated form.
  CharacteristicsInput input =
      Input(Form({-0.25L, -0.0625L, -0.03125L, 0, 0, 0, 0.25L, -0.125L, 0.0234375L, 1}),
            Form({1 / 1024.0L, -1 / 2048.0L, 1 / 4096.0L, 1 / 8192.0L, -1 / 8192.0L, 1 / 16384.0L,
                  1 / 512.0L, -1 / 1024.0L, 1 / 2048.0L, 0}));
  input.showCoordinates = true;
  const CharacteristicsResult result = RunCharacteristics(input, ".");
  ASSERT_TRUE(result.ran);
  test::ExpectSameLines(result.lines,
                        test::ReadLines(test::GoldenPath("characteristics_axis_aligned.txt")));

  EXPECT_EQ(result.ellipsoidCentre, (std::array<double, 3>{1, -2, 0.75}));
  for (int i = 1; i <= AtomCount; ++i) {
    EXPECT_EQ(result.transformedCoords.X.at(i), input.atomCoords.X.at(i) - 1);
    EXPECT_EQ(result.transformedCoords.Y.at(i), input.atomCoords.Y.at(i) + 2);
    EXPECT_EQ(result.transformedCoords.Z.at(i), input.atomCoords.Z.at(i) - 0.75);
  }
  // A second press appends the same report and stores the same values.
  const CharacteristicsResult again = RunCharacteristics(input, ".");
  EXPECT_EQ(again.lines, result.lines);
  EXPECT_EQ(again.semiAxes, result.semiAxes);
  EXPECT_EQ(again.transformedCoords, result.transformedCoords);
}

TEST(Characteristics, RotatedEllipsoidGivesTheGoldenReport) {
  // The expected text comes from tests/report/golden/characteristics_rotated_golden.py, which
  // derives it with 50-digit arithmetic and its own formatter. The ellipsoid (semi-axes 3.9,
  // 3.5 and 3.2, centred at (5.25, −3.5, 2.75)) is turned so that its quadratic part has no
  // zero element: the reduction rotates in all three planes. Its coefficients are multiples of
  // 2^-36 and their errors multiples of 2^-24, as the script gives them; the eigenvalues are
  // positive, so the "Experimental ABC" block keeps the form as it is.
  constexpr Extended Q = 68719476736.0L;  // 2^36
  constexpr Extended P = 16777216.0L;     // 2^24
  CharacteristicsInput input =
      Input(Form({1484665980 / Q, 1634174923 / Q, 1682768621 / Q, -247918065 / Q, -78115802 / Q,
                  139728800 / Q, -9046463826 / Q, 7236000527 / Q, -5634595215 / Q, 1}),
            Form({3 / P, -2 / P, 5 / P, 1 / P, -4 / P, 2 / P, 7 / P, -3 / P, 6 / P, 0}));
  input.showCoordinates = true;
  const CharacteristicsResult result = RunCharacteristics(input, ".");
  ASSERT_TRUE(result.ran);
  test::ExpectSameLines(result.lines,
                        test::ReadLines(test::GoldenPath("characteristics_rotated.txt")));
}

TEST(Characteristics, NothingBeforeTheFirstFit) {
  CharacteristicsInput input = Input(QuadricForm{});
  CharacteristicsResult result = RunCharacteristics(input, ".");
  EXPECT_FALSE(result.ran);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(result.transformedCoords, PointSet{});

  input.fitParams.at(3) = std::numeric_limits<Extended>::quiet_NaN();
  result = RunCharacteristics(input, ".");
  EXPECT_FALSE(result.ran);
  EXPECT_TRUE(result.lines.empty());
}

TEST(Characteristics, SphereHasRadiusEverywhere) {
  // (x − 1.25)² + (y + 0.5)² + (z − 2)² = 3.5², scaled by k = 1/(1.25² + 0.5² + 2² − 3.5²) so
  // that c = 1. The expected texts: 4π·3.5³/3 = 179.59438…, 4π·3.5² = 153.93804….
  const Extended k = 1 / -6.4375L;
  const CharacteristicsResult result =
      RunCharacteristics(Input(Form({k, k, k, 0, 0, 0, -k * 1.25L, -k * -0.5L, -k * 2, 1})), ".");
  ASSERT_TRUE(result.ran);
  EXPECT_NE(Find(result.lines, "O ( 1.25; -0.5; 2 )"), -1);
  for (int n = 0; n < 3; ++n) EXPECT_NEAR(result.semiAxes[n], 3.5, 1e-15);
  const int axes = Find(result.lines, "Длины осей:");
  ASSERT_NE(axes, -1);
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(result.lines[axes + n], "               3.5 Å");
  EXPECT_NE(Find(result.lines, "(Xnew / 3.5)^2+(Ynew / 3.5)^2+(Znew / 3.5)^2 = 1"), -1);
  EXPECT_NE(Find(result.lines, "Обьем эллипсоида: 179.59440 Å^3"), -1);
  EXPECT_NE(Find(result.lines, "Соответвующий радиус сферы по объему: 3.50000 Å"), -1);
  EXPECT_NE(Find(result.lines, "Площадь поверхности эллипсоида: 153.93800 Å^2"), -1);
  EXPECT_NE(Find(result.lines, "Соответвующий радиус сферы по площади поверхности: 3.50000 Å"), -1);
  // No rotation: the transformation matrix is printed as the identity.
  EXPECT_NE(Find(result.lines, "1.000E+000   0.000E+000   0.000E+000"), -1);
}

// The direction numbers of axis line r, parsed from its three "/(…)" pieces.
std::array<double, 3> AxisDirection(const std::string& line) {
  std::array<double, 3> v{};
  size_t at = 0;
  for (double& component : v) {
    at = line.find(")/(", at);
    EXPECT_NE(at, std::string::npos) << line;
    at += 3;
    component = std::stod(line.substr(at));
  }
  return v;
}

TEST(Characteristics, EveryAxisLineRunsAlongAnEigenvector) {
  // Line r must point along the eigenvector of λr: M·v = λr·v. The direction numbers are
  // printed with four significant digits (relative error below 5e-4 each), and |M| < 0.1, so
  // a residual of 1e-4 allows the printing and rejects any other eigenvector by far. The
  // quarter turn has V ≠ Vᵀ, so reading a row of V instead of a column fails here too.
  const QuadricForm quarterTurn = Form({0.2L, 0.2L, 0.1L, -0.05L, 0, 0, 0.1L, -0.2L, 0.05L, -1});
  for (const QuadricForm& q : {Tilted, quarterTurn}) {
    const CharacteristicsResult result = RunCharacteristics(Input(q, TiltedErrors), ".");
    const int axes =
        Find(result.lines, "Оси эллипсоида в непреобразованных координатах(уравнения прямых):");
    const int lambdas = Find(result.lines, "Собственные значения матрицы квадратной формы:");
    ASSERT_NE(axes, -1);
    ASSERT_NE(lambdas, -1);
    const Matrix3 m = QuadricMatrix(q);
    for (int r = 1; r <= 3; ++r) {
      SCOPED_TRACE(result.lines[axes + r]);
      const std::array<double, 3> v = AxisDirection(result.lines[axes + r]);
      const double lambda =
          NumberAfter(result.lines[lambdas + r], "Lambda" + std::to_string(r) + " = ");
      for (int row = 1; row <= 3; ++row) {
        const double mv = static_cast<double>(m.at(row, 1)) * v[0] +
                          static_cast<double>(m.at(row, 2)) * v[1] +
                          static_cast<double>(m.at(row, 3)) * v[2];
        EXPECT_NEAR(mv, lambda * v[row - 1], 1e-4);
      }
    }
  }
}

TEST(Characteristics, QuarterTurnWithNegativeCouplingIsInverted) {
  // a11 = a22 and a negative a12 alone: the eigenvector matrix is the rotation by −π/4, whose
  // first pivot the companion-signed reinforcement cancels. The run must still complete.
  // Eigenvalues of (0.2 −0.05; −0.05 0.2): 0.25 along (1, −1) and 0.15 along (1, 1).
  const QuadricForm q = Form({0.2L, 0.2L, 0.1L, -0.05L, 0, 0, 0.1L, -0.2L, 0.05L, -1});
  const CharacteristicsResult result = RunCharacteristics(Input(q, TiltedErrors), ".");
  ASSERT_TRUE(result.ran);
  const int matrix = Find(result.lines,
                          "Матрица преобразования базисных векторов при повороте, канонизирующем "
                          "квадратную форму из уравнения эллипсоида:");
  ASSERT_NE(matrix, -1);
  EXPECT_EQ(result.lines[matrix + 1], "7.071E-001   7.071E-001   0.000E+000");
  EXPECT_EQ(result.lines[matrix + 2], "-7.071E-001   7.071E-001   0.000E+000");
  EXPECT_EQ(result.lines[matrix + 3], "0.000E+000   0.000E+000   1.000E+000");
  EXPECT_NE(Find(result.lines, "Lambda1 = 0.25"), -1);
  EXPECT_NE(Find(result.lines, "Lambda2 = 0.15"), -1);
  EXPECT_NE(Find(result.lines, "Lambda3 = 0.1"), -1);
  // W = Vᵀ: b′ = (w·(0.1 + 0.2), w·(0.1 − 0.2), 0.05) = (0.2121…, −0.0707…, 0.05).
  EXPECT_NE(Find(result.lines, "при x      2.121E-001"), -1);
  EXPECT_NE(Find(result.lines, "при y      -7.071E-002"), -1);
  EXPECT_NE(Find(result.lines, "при z      5.000E-002"), -1);
}

TEST(Characteristics, QuadricThatIsNoEllipsoidPrintsNotANumber) {
  // −x² − y² + z² + 1 = 0, a hyperboloid: λ = (−1, −1, 1), K = −1, so a1 = a2 = 1 and a3 = √−1.
  // The uncertainty block takes r = √K itself, so all of its semi-axes are NaN.
  const CharacteristicsResult result =
      RunCharacteristics(Input(Form({-1, -1, 1, 0, 0, 0, 0, 0, 0, 1}), TiltedErrors), ".");
  ASSERT_TRUE(result.ran);
  EXPECT_TRUE(std::isnan(result.semiAxes[2]));
  const int axes = Find(result.lines, "Длины осей:");
  ASSERT_NE(axes, -1);
  EXPECT_EQ(result.lines[axes + 1], "               1 Å");
  EXPECT_EQ(result.lines[axes + 2], "               1 Å");
  EXPECT_EQ(result.lines[axes + 3], "               NAN Å");
  EXPECT_NE(Find(result.lines, "(Xnew / 1)^2+(Ynew / 1)^2+(Znew / NAN)^2 = 1"), -1);
  const int abc = Find(result.lines, "Experimental ABC");
  ASSERT_NE(abc, -1);
  EXPECT_EQ(result.lines[abc + 1], "1    NAN  ± NAN");
  EXPECT_EQ(result.lines[abc + 3], "3    NAN  ± NAN");
  EXPECT_NE(Find(result.lines, "Обьем эллипсоида: NAN Å^3"), -1);
  EXPECT_NE(Find(result.lines, "Соответвующий радиус сферы по объему: NAN Å"), -1);
  EXPECT_NE(Find(result.lines, "Площадь поверхности эллипсоида: NAN Å^2"), -1);
  EXPECT_NE(Find(result.lines, "Соответвующий радиус сферы по площади поверхности: NAN Å"), -1);
  for (int i = 1; i <= AtomCount; ++i) EXPECT_TRUE(std::isfinite(result.transformedCoords.X.at(i)));
}

TEST(Characteristics, CheckBoxesChooseTheCoordinateLines) {
  CharacteristicsInput input = Input(Tilted, TiltedErrors);
  input.transformCoordinates = false;
  input.showCoordinates = true;  // hidden and ignored while CheckBox1 is unchecked
  const CharacteristicsResult plain = RunCharacteristics(input, ".");
  EXPECT_EQ(plain.transformedCoords, input.atomCoords);
  EXPECT_TRUE(
      plain.lines.back().starts_with("Соответвующий радиус сферы по площади поверхности: "));

  input.transformCoordinates = true;
  input.showCoordinates = false;
  const CharacteristicsResult silent = RunCharacteristics(input, ".");
  ASSERT_EQ(silent.lines.size(), plain.lines.size() + 1);
  EXPECT_EQ(silent.lines.back(), " ");
  EXPECT_NE(silent.transformedCoords, input.atomCoords);

  input.showCoordinates = true;
  const CharacteristicsResult listed = RunCharacteristics(input, ".");
  ASSERT_EQ(listed.lines.size(), plain.lines.size() + 2 + 2 * AtomCount);
  EXPECT_EQ(listed.transformedCoords, silent.transformedCoords);
  const size_t first = plain.lines.size();
  EXPECT_EQ(listed.lines[first], " ");
  EXPECT_EQ(listed.lines[first + 1], "Преобразованые координаты:");
  for (int i = 1; i <= AtomCount; ++i) {
    const std::string& coords = listed.lines[first + 1 + i];
    const std::string& errors = listed.lines[first + 1 + AtomCount + i];
    EXPECT_EQ(coords, "C" + std::to_string(i) + " " +
                          FormatFixed(listed.transformedCoords.X.at(i), 9, 6, ".") + " " +
                          FormatFixed(listed.transformedCoords.Y.at(i), 9, 6, ".") + " " +
                          FormatFixed(listed.transformedCoords.Z.at(i), 9, 6, "."));
    EXPECT_TRUE(errors.starts_with("err" + std::to_string(i) + " ")) << errors;
  }
  // err5: X = 0.01·(5 mod 5 + 1), Y = 0.02, Z = 0.005·5, untransformed.
  EXPECT_EQ(listed.lines[first + 1 + AtomCount + 5], "err5 0.010000 0.020000 0.025000");
}

// Length in characters of a UTF-8 text.
size_t Characters(const std::string& text) {
  return std::count_if(text.begin(), text.end(),
                       [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; });
}

TEST(Characteristics, TransformationLinesLineUp) {
  // W of the tilted ellipsoid has entries of both signs and shifts of different lengths, so the
  // padding has work to do.
  const CharacteristicsResult result = RunCharacteristics(Input(Tilted, TiltedErrors), ".");
  const int heading =
      Find(result.lines, "Преобразование координат, канонизирующее уравнение эллипсоида:");
  ASSERT_NE(heading, -1);
  const std::string& x = result.lines[heading + 1];
  const std::string& y = result.lines[heading + 2];
  const std::string& z = result.lines[heading + 3];
  EXPECT_TRUE(x.starts_with("|Xnew|   | ")) << x;
  EXPECT_TRUE(y.starts_with("|Ynew| = | ")) << y;
  EXPECT_TRUE(z.starts_with("|Znew|   | ")) << z;
  EXPECT_EQ(Characters(x), Characters(y));
  EXPECT_EQ(Characters(x), Characters(z));
  const size_t column = x.find("| |X|   |");
  ASSERT_NE(column, std::string::npos);
  EXPECT_EQ(y.find("| |Y| + |"), column);
  EXPECT_EQ(z.find("| |Z|   |"), column);
  // The longest matrix row and the longest shift end in exactly one space.
  EXPECT_TRUE(x.ends_with(" |") && y.ends_with(" |") && z.ends_with(" |"));
  const bool someRowTight = x[column - 2] != ' ' || y[column - 2] != ' ' || z[column - 2] != ' ';
  EXPECT_TRUE(someRowTight);
}

TEST(Characteristics, ExperimentalSemiAxesAgreeWithAxisLengths) {
  // The uncertainty block reduces the quadric again with half-angle rotations in all three
  // planes; its semi-axes must agree with "Длины осей" to the ten digits it prints.
  const CharacteristicsResult result = RunCharacteristics(Input(Tilted, TiltedErrors), ".");
  const int abc = Find(result.lines, "Experimental ABC");
  const int axes = Find(result.lines, "Длины осей:");
  ASSERT_NE(abc, -1);
  ASSERT_NE(axes, -1);
  for (int k = 1; k <= 3; ++k) {
    const double experimental = NumberAfter(result.lines[abc + k], std::to_string(k) + "    ");
    const double length = NumberAfter(result.lines[axes + k], std::string(15, ' '));
    EXPECT_NEAR(experimental, length, 5e-10 * length) << k;
    const std::string& line = result.lines[abc + k];
    const double error = std::stod(line.substr(line.find("± ") + std::string("± ").size()));
    EXPECT_GT(error, 0);
  }
}

TEST(Characteristics, SingularMatricesAbandonTheRun) {
  // A cylinder: the quadratic part is singular, the centre cannot be found.
  EXPECT_THROW(RunCharacteristics(Input(Form({1, 1, 0, 0, 0, 0, 0, 0, 0, -1})), "."),
               SingularMatrixError);
  // Pivots of 4·I pass a precision of 2, but those of V = I do not.
  CharacteristicsInput input = Input(Form({4, 4, 4, 0, 0, 0, 0, 0, 0, -1}));
  input.inversePrecision = 2;
  EXPECT_NO_THROW(QuadricCentre(input.fitParams, 2));
  EXPECT_THROW(RunCharacteristics(input, "."), SingularMatrixError);
}

TEST(ReportExperimental, ZeroErrorsGiveZeroUncertainties) {
  // After a Levenberg–Marquardt fit with no earlier least-squares one the errors are all zero.
  const QuadricForm q =
      Form({0.04L, 0.03L, 0.05L, 0.01L, -0.005L, 0.008L, -0.1L, 0.2L, 0.05L, -0.5L});
  const ExperimentalReport report = ReportExperimental(q, QuadricForm{}, 1e-10L, 1e-20L, ".");
  ASSERT_EQ(report.lines.size(), 13u);
  EXPECT_EQ(report.lines[0], "Experimental L");
  EXPECT_EQ(report.lines[4], "Experimental B");
  EXPECT_EQ(report.lines[8], "");
  EXPECT_EQ(report.lines[9], "Experimental ABC");
  for (const int n : {1, 2, 3, 5, 6, 7, 10, 11, 12}) {
    EXPECT_TRUE(report.lines[n].ends_with("  ± 0")) << report.lines[n];
  }
  // The half-angle rotations leave off-diagonal elements near 1e-10 (see EigenWithErrors's
  // tests), which moves
  // the semi-axes by far less than the ten digits the blocks print.
  const Vector3 axes = ReduceToCanonicalForm(q, 1e-10L, 1e-20L).semiAxes;
  for (int k = 1; k <= 3; ++k) {
    EXPECT_NEAR(report.semiAxes.values.at(k), axes.at(k), 1e-12L * axes.at(k));
    EXPECT_EQ(report.semiAxes.errors.at(k), 0);
  }
}

TEST(MaxOfThree, KeepsTheLargest) {
  EXPECT_EQ(MaxOfThree(3, 7, 5), 7);
  EXPECT_EQ(MaxOfThree(9, 7, 5), 9);
  EXPECT_EQ(MaxOfThree(-1, -7, 0), 0);
}

}  // namespace
}  // namespace ovalon
