#include "report/windowreport.h"

#include "analysis/diagonals.h"
#include "core/singularmatrixerror.h"
#include "input/coordinatereader.h"
#include "report/characteristics.h"
#include "report/decimalseparator.h"
#include "report/diagonals.h"
#include "report/messages.h"

namespace ovalon {

WindowReportStatus RunWindowReport(const std::vector<std::string>& text,
                                   const WindowReportSettings& settings,
                                   const WindowReportSink& sink) {
  PointSet atoms, uncertainties;
  const CoordinateReading reading = ReadCoordinates(text, atoms, uncertainties);
  SetDecimalSeparatorAfterParsing(reading.numbersParsed);
  if (reading.formatError) return WindowReportStatus::FormatError;
  for (const std::string& notice : CoordinateNotices(reading)) sink.notice(notice);

  if (settings.diagonals)
    sink.lines(DiagonalLines(atoms, FindMaximumDiagonals(atoms), DecimalSeparator()));

  // The fit's steps as the window takes them: its fields are read, and the separator follows
  // the reading, before its report is written.
  const PreparedFit prepared = PrepareFit(atoms, settings.fit);
  SetDecimalSeparatorAfterParsing(prepared.result.numbersParsed);
  FitRunResult fit = prepared.result;
  if (prepared.plan) {
    fit = FinishFit(prepared.result, atoms, *prepared.plan,
                    ComputeFit(atoms, uncertainties, *prepared.plan), DecimalSeparator());
  }
  switch (fit.status) {
    case FitStatus::Done:
      break;
    case FitStatus::InvalidInput:
      return WindowReportStatus::InvalidInput;
    case FitStatus::SingularMatrix:
      return WindowReportStatus::SingularMatrix;
    case FitStatus::NotRun:
    case FitStatus::Cancelled:  // only the window's progress dialog cancels a run
      return WindowReportStatus::NotRun;
  }
  sink.lines(fit.lines);

  CharacteristicsInput input;
  input.fitParams = *fit.fitParams;
  if (fit.fitErrors) input.fitErrors = *fit.fitErrors;
  input.inversePrecision = *fit.inversePrecision;
  input.rotationPrecision = *fit.rotationPrecision;
  input.atomCoords = atoms;
  input.coordErrors = uncertainties;
  input.transformCoordinates = settings.transformCoordinates;
  input.showCoordinates = settings.showCoordinates;
  try {
    sink.lines(RunCharacteristics(input, DecimalSeparator()).lines);
  } catch (const SingularMatrixError&) {
    return WindowReportStatus::SingularMatrix;
  }
  return WindowReportStatus::Done;
}

}  // namespace ovalon
