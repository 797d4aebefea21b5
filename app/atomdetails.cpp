#include "app/atomdetails.h"

#include <cstdio>

#include "analysis/diagonals.h"
#include "fit/mnk.h"
#include "report/decimalseparator.h"
#include "report/format.h"

namespace ovalon {

namespace {

/// The coefficients A1..A9 of a stored fit (the inverse of the halving of A4..A9; doubling is
/// exact).
QuadricParams ParamsOf(const QuadricForm& form) {
  QuadricParams a;
  for (int k = 1; k <= 3; ++k) a.at(k) = form.at(k);
  for (int k = 4; k <= 9; ++k) a.at(k) = form.at(k) * 2;
  return a;
}

std::string CoordinateLine(const char* name, double value, double uncertainty) {
  return std::string(name) + " = " + FormatGeneral(value, 15, 0, DecimalSeparator()) + " ± " +
         FormatGeneral(uncertainty, 15, 0, DecimalSeparator()) + " Å";
}

}  // namespace

bool HasFit(const QuadricForm& fitParams) { return fitParams.at(10) != 0; }

Extended FitResidual(const PointSet& coords, const QuadricForm& fitParams, int atom) {
  return EvaluateQuadric(coords, ParamsOf(fitParams)).at(atom);
}

std::string SideText(QuadricSide side) {
  switch (side) {
    case QuadricSide::Inside:
      return "внутри эллипсоида";
    case QuadricSide::Outside:
      return "снаружи эллипсоида";
    case QuadricSide::OnSurface:
      return "на поверхности эллипсоида";
    case QuadricSide::Positive:
      return "F > 0 (поверхность не эллипсоид)";
    case QuadricSide::Negative:
      return "F ≤ 0 (поверхность не эллипсоид)";
  }
  return "";
}

std::vector<std::string> AtomTooltipLines(const PointSet& coords, const PointSet& errors,
                                          const QuadricForm& fitParams, int atom) {
  std::vector<std::string> lines = {
      "Атом " + std::to_string(atom),
      CoordinateLine("X", coords.X.at(atom), errors.X.at(atom)),
      CoordinateLine("Y", coords.Y.at(atom), errors.Y.at(atom)),
      CoordinateLine("Z", coords.Z.at(atom), errors.Z.at(atom)),
  };
  if (!HasFit(fitParams)) {
    lines.push_back("Аппроксимации ещё не было");
    return lines;
  }
  const Extended residual = FitResidual(coords, fitParams, atom);
  lines.push_back("F(A)" + std::to_string(atom) + " = " +
                  FormatGeneral(residual, 4, 10, DecimalSeparator()));
  lines.push_back(SideText(SideOfQuadric(fitParams, residual)));
  return lines;
}

std::string DistanceText(const PointSet& coords, int first, int second) {
  char value[64];
  std::snprintf(value, sizeof value, "%.4f", AtomDistance(coords, first, second));
  return "Атомы " + std::to_string(first) + "–" + std::to_string(second) + ": " + value + " Å";
}

}  // namespace ovalon
