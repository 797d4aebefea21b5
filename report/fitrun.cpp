#include "report/fitrun.h"

#include <cmath>
#include <limits>
#include <utility>

#include "fit/lma.h"
#include "fit/mnk.h"
#include "input/parsenumber.h"
#include "report/format.h"

namespace ovalon {

namespace {

using Lines = std::vector<std::string>;

std::string PrecisionLine(Extended inversePrecision, std::string_view separator) {
  return "Точность нахождения обратной матрицы: " +
         FormatGeneral(inversePrecision, 10, 10, separator);
}

std::string ResidualLine(int atom, Extended value, std::string_view separator) {
  return "F(A)" + std::to_string(atom) + " = " + FormatGeneral(value, 4, 10, separator) + " ";
}

/// The equation line of both reports; only the Y² coefficient is in exponent form.
std::string EquationLine(const QuadricParams& a, const std::string& ending,
                         std::string_view separator) {
  const auto text = [&](int k) { return FormatGeneral(a.at(k), 10, 10, separator); };
  return "(" + text(1) + ")X^2" + "+(" + FormatExponent(a.at(2), 10, 10, separator) + ")Y^2" +
         "+(" + text(3) + ")Z^2" + "+(" + text(4) + ")XY" + "+(" + text(5) + ")YZ" + "+(" +
         text(6) + ")XZ" + "+(" + text(7) + ")X" + "+(" + text(8) + ")Y" + "+(" + text(9) + ")Z" +
         ending;
}

/// ParseNumber of a field, or `fallback` when the field is empty (spaces are not empty).
Extended ReadOrDefault(const std::string& text, Extended fallback) {
  return text.empty() ? fallback : static_cast<Extended>(ParseNumber(text));
}

int ReadCycleCount(const std::string& text, int fallback) {
  if (text.empty()) return fallback;
  const double cycles = std::trunc(ParseNumber(text));
  // A count that does not fit the 32-bit signed range (or is not finite) is refused like
  // any other text that is not a cycle count.
  if (!(cycles >= std::numeric_limits<int>::min() && cycles <= std::numeric_limits<int>::max()))
    throw EConvertError(text);
  return static_cast<int>(cycles);
}

void ReportLeastSquaresResiduals(const PointSet& coords, const QuadricParams& a,
                                 std::string_view separator, Lines& lines) {
  const Vector60 f = EvaluateQuadric(coords, a);
  lines.push_back(" ");
  lines.push_back("Реальные значения левой части уравнения эллипсоида:");
  for (int i = 1; i <= AtomCount; ++i) lines.push_back(ResidualLine(i, f.at(i), separator));
  lines.push_back(" ");
  lines.push_back("|F|/60 = " + FormatGeneral(ScaledResidualNorm(coords, a), 4, 10, separator));
}

void ReportParametersWithErrors(const QuadricParams& a, const QuadricParams& da,
                                std::string_view separator, Lines& lines) {
  lines.push_back(" ");
  lines.push_back("Значения параметров уравнения эллипсоида:");
  for (int k = 1; k <= 9; ++k) {
    lines.push_back("A" + std::to_string(k) + " = " + FormatGeneral(a.at(k), 10, 10, separator) +
                    " " + "±" + " " + FormatGeneral(std::fabs(da.at(k)), 10, 10, separator));
  }
  lines.push_back("Уравнение эллипсоида:");
  lines.push_back(EquationLine(a, "+1=0", separator));
}

void ReportMarquardtResiduals(const PointSet& coords, const QuadricParams& a,
                              std::string_view separator, Lines& lines) {
  const Vector60 r = NegatedResiduals(coords, a);
  lines.push_back(" ");
  lines.push_back("Реальные значения левой части уравнения эллипсоида:");
  for (int i = 1; i <= AtomCount; ++i) lines.push_back(ResidualLine(i, -r.at(i), separator));
  lines.push_back(" ");
  lines.push_back("|F| = " + FormatGeneral(ResidualNorm(coords, a), 4, 10, separator));
}

void ReportParameters(const QuadricParams& a, std::string_view separator, Lines& lines) {
  lines.push_back(" ");
  lines.push_back("Значения параметров уравнения эллипсоида:");
  for (int k = 1; k <= 9; ++k) {
    lines.push_back("A" + std::to_string(k) + " = " + FormatGeneral(a.at(k), 10, 10, separator) +
                    " ");
  }
  lines.push_back("Уравнение эллипсоида:");
  lines.push_back(EquationLine(a, "+1 = 0", separator));
}

}  // namespace

MarquardtSettings ReadMarquardtSettings(const FitSettings& settings, FitField* reading) {
  FitField unused = FitField::Cycles;
  FitField& field = reading != nullptr ? *reading : unused;
  MarquardtSettings read;
  field = FitField::Cycles;
  read.refinementCycles = ReadCycleCount(settings.cycles, read.refinementCycles);
  field = FitField::Start;
  read.startValue = ReadOrDefault(settings.start, read.startValue);
  field = FitField::Lambda;
  read.regularisationParameter = ReadOrDefault(settings.lambda, read.regularisationParameter);
  field = FitField::Step;
  read.regularisationStep = ReadOrDefault(settings.step, read.regularisationStep);
  return read;
}

std::vector<std::string> LeastSquaresReport(const PointSet& coords, Extended inversePrecision,
                                            const QuadricParams& a, const QuadricParams& da,
                                            std::string_view separator) {
  Lines lines;
  lines.push_back(" ");
  lines.push_back("Нахождение уравнения эллипсоида методом МНК:");
  lines.push_back(" ");
  lines.push_back(PrecisionLine(inversePrecision, separator));
  ReportLeastSquaresResiduals(coords, a, separator, lines);
  ReportParametersWithErrors(a, da, separator, lines);
  return lines;
}

std::vector<std::string> MarquardtReport(const PointSet& coords, Extended inversePrecision,
                                         const QuadricParams& a, std::string_view separator) {
  Lines lines;
  lines.push_back(" ");
  lines.push_back("Нахождение уравнения эллипсоида методом Левенберга-Маркварда:");
  lines.push_back(" ");
  lines.push_back(PrecisionLine(inversePrecision, separator));
  ReportMarquardtResiduals(coords, a, separator, lines);
  ReportParameters(a, separator, lines);
  return lines;
}

PreparedFit PrepareFit(const PointSet& coords, const FitSettings& settings) {
  PreparedFit prepared;
  FitRunResult& result = prepared.result;
  if (!CoordinatesLoaded(coords)) return prepared;
  result.numbersParsed = true;  // Edit6 is read whatever it holds
  FitField reading = FitField::InversePrecision;
  try {
    FitPlan plan;
    plan.inversePrecision = ParseNumber(settings.inversePrecision);
    result.inversePrecision = plan.inversePrecision;
    reading = FitField::RotationPrecision;
    result.rotationPrecision = static_cast<Extended>(ParseNumber(settings.rotationPrecision));
    plan.leastSquares = settings.leastSquares;
    if (!plan.leastSquares) plan.marquardt = ReadMarquardtSettings(settings, &reading);
    prepared.plan = plan;
  } catch (const EConvertError&) {
    result.status = FitStatus::InvalidInput;
    result.invalidField = reading;
  }
  return prepared;
}

FitRunResult FinishFit(FitRunResult prepared, const PointSet& coords, const FitPlan& plan,
                       const FitOutcome& outcome, std::string_view separator) {
  FitRunResult result = std::move(prepared);
  switch (outcome.end) {
    case FitEnd::Done:
      result.status = FitStatus::Done;
      break;
    case FitEnd::SingularMatrix:
      result.status = FitStatus::SingularMatrix;
      return result;
    case FitEnd::Cancelled:
      result.status = FitStatus::Cancelled;
      return result;
  }
  // In the Levenberg–Marquardt report the heading follows the iteration, in the least-squares
  // report it precedes the fit; either way the lines are built only once the fit is complete,
  // so a run that fails leaves no report behind.
  if (plan.leastSquares) {
    result.lines = LeastSquaresReport(coords, plan.inversePrecision, outcome.params,
                                      *outcome.errors, separator);
    result.fitErrors = ToQuadricForm(*outcome.errors, 0.0L);
  } else {
    result.lines = MarquardtReport(coords, plan.inversePrecision, outcome.params, separator);
  }
  result.fitParams = ToQuadricForm(outcome.params, 1.0L);
  return result;
}

FitRunResult RunFit(const PointSet& coords, const PointSet& errors, const FitSettings& settings,
                    std::string_view separator) {
  const PreparedFit prepared = PrepareFit(coords, settings);
  if (!prepared.plan) return prepared.result;
  const FitOutcome outcome = ComputeFit(coords, errors, *prepared.plan);
  return FinishFit(prepared.result, coords, *prepared.plan, outcome, separator);
}

}  // namespace ovalon
