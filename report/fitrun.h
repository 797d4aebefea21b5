#pragma once
// The fit run of "Аппроксимация": reads the settings texts, runs the chosen fit, builds its
// report and the stored form of the result. Qt-free; the window and ovalon-report both call it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/extended.h"
#include "fit/quadricfit.h"

namespace ovalon {

/// The texts of the window's fit controls.
struct FitSettings {
  std::string inversePrecision = "1E-10";   ///< Edit6
  std::string rotationPrecision = "1E-20";  ///< Edit7
  bool leastSquares = true;                 ///< RadioButton1 checked (else RadioButton2)
  std::string cycles, start, lambda, step;  ///< Edit1..Edit4; an empty text means the default
};

/// The window's fields that a run reads, in the order it reads them: Edit6, Edit7, Edit1..Edit4.
enum class FitField { InversePrecision, RotationPrecision, Cycles, Start, Lambda, Step };

enum class FitStatus {
  NotRun,          ///< every coordinate is zero: nothing was read or computed
  Done,            ///< the fit ran; lines and fitParams are set
  InvalidInput,    ///< a field was not a number: show InvalidInputMessage (report/messages.h)
  SingularMatrix,  ///< an inversion met a small pivot: show SingularMatrixMessage
  Cancelled,       ///< the user abandoned a Levenberg–Marquardt run: nothing to show or store
};

/// What one run produced; the caller appends `lines` and stores every value that is set.
struct FitRunResult {
  FitStatus status = FitStatus::NotRun;
  std::optional<Extended> inversePrecision;   ///< Edit6, set as soon as it was read
  std::optional<Extended> rotationPrecision;  ///< Edit7, set as soon as it was read
  std::optional<FitField> invalidField;       ///< on InvalidInput: the field rejected
  std::optional<QuadricForm> fitParams;       ///< on Done: A1, A2, A3, A4/2 … A9/2, 1
  std::optional<QuadricForm> fitErrors;       ///< on Done by least squares: signed dA, halved
  std::vector<std::string> lines;             ///< the report (81 lines), only on Done
  /// Some field was handed to ParseNumber: SetDecimalSeparatorAfterParsing applies.
  bool numbersParsed = false;
};

/// A run after its first step, the reading of its fields.
struct PreparedFit {
  /// The precisions read so far; status NotRun or InvalidInput when no fit can start.
  FitRunResult result;
  /// Set when every field was read and the fit can start.
  std::optional<FitPlan> plan;
};

/// The whole run of "Аппроксимация" in one call, its report written with `separator`: for a
/// caller whose separator this run's reading cannot change any more. Catches the conversion
/// error of a field and the singular-matrix error of a fit; in either case no line and no fit
/// result is returned.
FitRunResult RunFit(const PointSet& coords, const PointSet& errors, const FitSettings& settings,
                    std::string_view separator);

/// The first step of RunFit: reads the precisions and, for a Levenberg–Marquardt run, Edit1..Edit4.
/// Nothing is read before any coordinate is (status NotRun).
PreparedFit PrepareFit(const PointSet& coords, const FitSettings& settings);

// The second step of RunFit is ComputeFit, the numerical work, which may run on another thread.

/// The last step of RunFit: `prepared` completed with the report lines, written with
/// `separator`, and the stored forms of a Done outcome; any other outcome gives its status alone,
/// with no line and no fit result.
FitRunResult FinishFit(FitRunResult prepared, const PointSet& coords, const FitPlan& plan,
                       const FitOutcome& outcome, std::string_view separator);

/// Edit1..Edit4 in that order; an empty text gives the default. The cycle count is truncated
/// toward zero; a value that is not finite or is outside the 32-bit signed range is rejected.
/// Throws EConvertError for a text that is rejected; `reading`, when given, then names it.
MarquardtSettings ReadMarquardtSettings(const FitSettings& settings, FitField* reading = nullptr);

/// The whole least-squares report of the fit `a` with its errors `da` (81 lines).
std::vector<std::string> LeastSquaresReport(const PointSet& coords, Extended inversePrecision,
                                            const QuadricParams& a, const QuadricParams& da,
                                            std::string_view separator);

/// The whole Levenberg–Marquardt report of the fit `a` (81 lines).
std::vector<std::string> MarquardtReport(const PointSet& coords, Extended inversePrecision,
                                         const QuadricParams& a, std::string_view separator);

}  // namespace ovalon
