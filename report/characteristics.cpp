#include "report/characteristics.h"

#include <cmath>

#include "ellipsoid/ellipsoid.h"
#include "report/format.h"

namespace ovalon {

namespace {

using Lines = std::vector<std::string>;

/// The shortest general text of a value, 15 significant digits.
std::string Shortest(Extended value, std::string_view separator) {
  return FormatGeneral(value, 15, 0, separator);
}

std::string Exponent43(Extended value, std::string_view separator) {
  return FormatExponent(value, 4, 3, separator);
}

/// Length in characters of a UTF-8 text.
int CharacterCount(const std::string& text) {
  int count = 0;
  for (const char ch : text) {
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++count;
  }
  return count;
}

/// Appends spaces until the text is `length` characters long.
std::string PadTo(std::string text, int length) {
  for (int n = CharacterCount(text); n < length; ++n) text += ' ';
  return text;
}

bool NoFitYet(const QuadricForm& q) {
  Extended sum = 0;
  for (int k = 1; k <= 10; ++k) sum = std::fabs(q.at(k)) + sum;
  return sum == 0 || std::isnan(sum);
}

void AppendCentre(Lines& lines, std::string_view separator, const std::array<double, 3>& centre) {
  lines.push_back(" ");
  lines.push_back("Центр эллипсоида до преобразований:");
  lines.push_back("O ( " + Shortest(centre[0], separator) + "; " + Shortest(centre[1], separator) +
                  "; " + Shortest(centre[2], separator) + " )");
}

void AppendPrecisions(Lines& lines, std::string_view separator, Extended inversePrecision,
                      Extended rotationPrecision) {
  lines.push_back(" ");
  lines.push_back("Этапы нахождение канонического уравнения.");
  lines.push_back(" ");
  lines.push_back("Точность нахождения обратной матрицы: " +
                  FormatGeneral(inversePrecision, 10, 10, separator));
  lines.push_back("Точность нахождения собственных значений(метод вращения): " +
                  FormatGeneral(rotationPrecision, 10, 10, separator));
}

void AppendOriginalEquation(Lines& lines, std::string_view separator, const QuadricForm& q) {
  static const char* const Terms[10] = {")X^2", ")Y^2", ")Z^2", ")XY", ")YZ",
                                        ")XZ",  ")X",   ")Y",   ")Z",  ") = 0"};
  std::string equation = "(";
  for (int k = 1; k <= 10; ++k) {
    if (k > 1) equation += "+(";
    // Only the Y² coefficient is written in exponent form.
    equation += k == 2 ? FormatExponent(q.at(k), 10, 10, separator)
                       : FormatGeneral(q.at(k), 10, 10, separator);
    equation += Terms[k - 1];
  }
  lines.push_back(" ");
  lines.push_back("Исходное уравнение:");
  lines.push_back(equation);
}

void AppendInvariants(Lines& lines, std::string_view separator, const Vector3& invariants) {
  lines.push_back(" ");
  lines.push_back("Инварианты к поворотам и сдвигам:");
  for (int k = 1; k <= 3; ++k)
    lines.push_back("I" + std::to_string(k) + " = " + Shortest(invariants.at(k), separator));
}

void AppendMatrixRows(Lines& lines, std::string_view separator, const Matrix3& m) {
  for (int r = 1; r <= 3; ++r) {
    lines.push_back(Exponent43(m.at(r, 1), separator) + "   " + Exponent43(m.at(r, 2), separator) +
                    "   " + Exponent43(m.at(r, 3), separator));
  }
}

/// Line r takes its direction numbers from column r of V, the eigenvector of λr.
void AppendAxisLines(Lines& lines, std::string_view separator, const std::array<double, 3>& centre,
                     const Matrix3& v) {
  lines.push_back(" ");
  lines.push_back("Оси эллипсоида в непреобразованных координатах(уравнения прямых):");
  for (int r = 1; r <= 3; ++r) {
    lines.push_back("(X-(" + Exponent43(centre[0], separator) + "))/(" +
                    Exponent43(v.at(1, r), separator) + ")=" + "(Y-(" +
                    Exponent43(centre[1], separator) + "))/(" + Exponent43(v.at(2, r), separator) +
                    ")=" + "(Z-(" + Exponent43(centre[2], separator) + "))/(" +
                    Exponent43(v.at(3, r), separator) + ")");
  }
}

void AppendEigenvalues(Lines& lines, std::string_view separator, const Vector3& lambda) {
  lines.push_back(" ");
  lines.push_back("Собственные значения матрицы квадратной формы:");
  for (int k = 1; k <= 3; ++k)
    lines.push_back("Lambda" + std::to_string(k) + " = " + Shortest(lambda.at(k), separator));
}

void AppendLinearTerms(Lines& lines, std::string_view separator, const Vector3& linearTerms) {
  lines.push_back(" ");
  lines.push_back("Новые коэффициенты линейной формы:");
  lines.push_back("при x      " + Exponent43(linearTerms.at(1), separator));
  lines.push_back("при y      " + Exponent43(linearTerms.at(2), separator));
  lines.push_back("при z      " + Exponent43(linearTerms.at(3), separator));
  lines.push_back("свободный  1");
}

void AppendCanonicalEquation(Lines& lines, std::string_view separator, const Vector3& semiAxes) {
  lines.push_back(" ");
  lines.push_back("Каноническое уравнение в новом базисе:");
  lines.push_back("(Xnew / " + Shortest(semiAxes.at(1), separator) + ")^2" + "+" + "(Ynew / " +
                  Shortest(semiAxes.at(2), separator) + ")^2" + "+" + "(Znew / " +
                  Shortest(semiAxes.at(3), separator) + ")^2" + " = 1");
  lines.push_back(" ");
  lines.push_back("Длины осей:");
  for (int k = 1; k <= 3; ++k)
    lines.push_back(std::string(15, ' ') + Shortest(semiAxes.at(k), separator) + " " + "Å");
}

/// The matrix equation x_new = W·x + s in three lines whose columns line up.
void AppendTransformation(Lines& lines, std::string_view separator, const Matrix3& w,
                          const Vector3& shift) {
  std::string rows[3], shifts[3];
  for (int r = 1; r <= 3; ++r) {
    rows[r - 1] = "| " + FormatFixed(w.at(r, 1), 4, 5, separator) + " " +
                  FormatFixed(w.at(r, 2), 4, 5, separator) + " " +
                  FormatFixed(w.at(r, 3), 4, 5, separator);
    shifts[r - 1] = FormatFixed(shift.at(r), 7, 5, separator);
  }
  const int rowWidth =
      MaxOfThree(CharacterCount(rows[0]), CharacterCount(rows[1]), CharacterCount(rows[2])) + 1;
  const int shiftWidth =
      MaxOfThree(CharacterCount(shifts[0]), CharacterCount(shifts[1]), CharacterCount(shifts[2])) +
      1;
  for (int k = 0; k < 3; ++k) {
    rows[k] = PadTo(rows[k], rowWidth);
    shifts[k] = PadTo(shifts[k], shiftWidth);
  }
  lines.push_back(" ");
  lines.push_back("Преобразование координат, канонизирующее уравнение эллипсоида:");
  lines.push_back("|Xnew|   " + rows[0] + "| |X|   |" + shifts[0] + "|");
  lines.push_back("|Ynew| = " + rows[1] + "| |Y| + |" + shifts[1] + "|");
  lines.push_back("|Znew|   " + rows[2] + "| |Z|   |" + shifts[2] + "|");
}

void AppendMeasures(Lines& lines, std::string_view separator, const EllipsoidMeasures& measures) {
  lines.push_back(" ");
  lines.push_back("Обьем эллипсоида: " + FormatFixed(measures.volume, 7, 5, separator) + " " + "Å" +
                  "^3");
  lines.push_back("Соответвующий радиус сферы по объему: " +
                  FormatFixed(measures.volumeRadius, 7, 5, separator) + " " + "Å");
  lines.push_back(" ");
  lines.push_back("Площадь поверхности эллипсоида: " +
                  FormatFixed(measures.surface, 7, 5, separator) + " " + "Å" + "^2");
  lines.push_back("Соответвующий радиус сферы по площади поверхности: " +
                  FormatFixed(measures.surfaceRadius, 7, 5, separator) + " " + "Å");
}

std::string Fixed96Triple(double x, double y, double z, std::string_view separator) {
  return FormatFixed(x, 9, 6, separator) + " " + FormatFixed(y, 9, 6, separator) + " " +
         FormatFixed(z, 9, 6, separator);
}

/// Fills result.transformedCoords and appends the coordinate lines the check boxes ask for.
void TransformAtoms(const CharacteristicsInput& input, const CanonicalForm& form,
                    std::string_view separator, CharacteristicsResult& result) {
  if (!input.transformCoordinates) {
    result.transformedCoords = input.atomCoords;
    return;
  }
  result.transformedCoords = TransformToCanonicalFrame(input.atomCoords, form);
  Lines& lines = result.lines;
  lines.push_back(" ");
  if (!input.showCoordinates) return;
  lines.push_back("Преобразованые координаты:");
  const PointSet& moved = result.transformedCoords;
  for (int i = 1; i <= AtomCount; ++i) {
    lines.push_back("C" + std::to_string(i) + " " +
                    Fixed96Triple(moved.X.at(i), moved.Y.at(i), moved.Z.at(i), separator));
  }
  const PointSet& errors = input.coordErrors;
  for (int i = 1; i <= AtomCount; ++i) {
    lines.push_back("err" + std::to_string(i) + " " +
                    Fixed96Triple(errors.X.at(i), errors.Y.at(i), errors.Z.at(i), separator));
  }
}

/// k + "    " + value + "  ± " + error, every number in G(10, 10).
std::string ExperimentalLine(int k, Extended value, Extended error, std::string_view separator) {
  return std::to_string(k) + "    " + FormatGeneral(value, 10, 10, separator) + "  " + "±" + " " +
         FormatGeneral(error, 10, 10, separator);
}

void AppendBlock(Lines& lines, std::string_view separator, const char* heading,
                 const ValuesWithErrors& block) {
  lines.push_back(heading);
  for (int k = 1; k <= 3; ++k)
    lines.push_back(ExperimentalLine(k, block.values.at(k), block.errors.at(k), separator));
}

}  // namespace

ExperimentalReport ReportExperimental(const QuadricForm& q, const QuadricForm& e,
                                      Extended inversePrecision, Extended rotationPrecision,
                                      std::string_view separator) {
  const CanonicalUncertainties chain =
      PropagateUncertainties(q, e, inversePrecision, rotationPrecision);
  ExperimentalReport report;
  AppendBlock(report.lines, separator, "Experimental L", {chain.eigen.values, chain.eigen.errors});
  AppendBlock(report.lines, separator, "Experimental B", chain.linearTerms);
  report.lines.push_back("");  // a truly empty line, unlike the " " separators around it
  AppendBlock(report.lines, separator, "Experimental ABC", chain.semiAxes);
  report.semiAxes = chain.semiAxes;
  return report;
}

int MaxOfThree(int l1, int l2, int l3) {
  int m = l1;
  if (m < l2) m = l2;
  if (m < l3) m = l3;
  return m;
}

CharacteristicsResult RunCharacteristics(const CharacteristicsInput& input,
                                         std::string_view separator) {
  CharacteristicsResult result;
  const QuadricForm q = input.fitParams;
  const QuadricForm e = input.fitErrors;
  if (NoFitYet(q)) return result;

  // Every number is computed, and every line built, before anything is handed back: a
  // singular matrix met on the way abandons the whole run.
  const Vector3 centre = QuadricCentre(q, input.inversePrecision);
  for (int k = 1; k <= 3; ++k) result.ellipsoidCentre[k - 1] = static_cast<double>(centre.at(k));
  const CanonicalForm form =
      ReduceToCanonicalForm(q, input.inversePrecision, input.rotationPrecision);
  const ExperimentalReport experimental =
      ReportExperimental(q, e, input.inversePrecision, input.rotationPrecision, separator);
  for (int k = 1; k <= 3; ++k) result.semiAxes[k - 1] = static_cast<double>(form.semiAxes.at(k));

  Lines& lines = result.lines;
  AppendCentre(lines, separator, result.ellipsoidCentre);
  AppendPrecisions(lines, separator, input.inversePrecision, input.rotationPrecision);
  AppendOriginalEquation(lines, separator, q);
  AppendInvariants(lines, separator, QuadricInvariants(q));
  const Matrix3 m = QuadricMatrix(q);
  lines.push_back(" ");
  lines.push_back("Матрица квадратной формы:");
  AppendMatrixRows(lines, separator, m);
  lines.push_back(" ");
  lines.push_back(
      "Матрица преобразования базисных векторов при повороте, канонизирующем квадратную "
      "форму из уравнения эллипсоида:");
  AppendMatrixRows(lines, separator, form.eigen.vectors);
  AppendAxisLines(lines, separator, result.ellipsoidCentre, form.eigen.vectors);
  AppendEigenvalues(lines, separator, form.eigen.values);
  AppendLinearTerms(lines, separator, form.linearTerms);
  lines.insert(lines.end(), experimental.lines.begin(), experimental.lines.end());
  AppendCanonicalEquation(lines, separator, form.semiAxes);
  AppendTransformation(lines, separator, form.inverseVectors, form.shift);
  AppendMeasures(lines, separator, MeasureEllipsoid(result.semiAxes));
  TransformAtoms(input, form, separator, result);
  result.ran = true;
  return result;
}

}  // namespace ovalon
