#pragma once
// The summary table of cage shapes, shared by ovalon-report --summary and the Python package:
// its settings read from the window's texts, and the columns of a cage's analysis with the
// order and the kind of their fields.

#include <string_view>
#include <vector>

#include "analysis/cagesummary.h"
#include "report/fitrun.h"

namespace ovalon {

/// The precisions and, for the Levenberg–Marquardt method, Edit1..Edit4 by the rules of the
/// window's fit run (ParseNumber, defaults for empty texts, the 32-bit cycle count); no Monte
/// Carlo draws. Throws EConvertError.
SummarySettings ReadSummarySettings(const FitSettings& texts);

/// The kind of a column's fields.
enum class ColumnType {
  Text,
  Integer,
  Number,  ///< a 64-bit value
  Atom,    ///< an atom of the cage, which each table numbers in its own way
};

struct SummaryColumn {
  const char* name;
  ColumnType type;
};

/// The columns of a cage's analysis, from "cage" and "atoms" to "ellipsoid", the two
/// uncertainty sets "lin_sd_a" … "lin_sd_centre_z" and "fit_sd_a" … "fit_sd_centre_z", then with
/// `monteCarlo` the Monte Carlo ones: every column of the summary but those that place the row
/// in its input.
std::vector<SummaryColumn> CageColumns(bool monteCarlo);

/// Receives the fields of one row in the order of CageColumns; a field left out for the row's
/// status is Empty.
class FieldSink {
 public:
  virtual ~FieldSink() = default;
  virtual void Empty() = 0;
  virtual void Text(std::string_view text) = 0;
  virtual void Integer(long long value) = 0;
  virtual void Number(double value) = 0;
  /// Atom `cageAtom` (1-based) of the analysed cage.
  virtual void Atom(int cageAtom) = 0;
};

/// Which cage of its frame a row describes.
struct CagePlace {
  int cage = 1;   ///< its number within the frame, from 1
  int atoms = 0;  ///< its atom count
};

/// The fields of CageColumns(monteCarlo) for an analysed cage. The message of a singular
/// matrix is the one the window shows.
void WriteCageFields(const CageSummary& summary, const CagePlace& place, bool monteCarlo,
                     FieldSink& sink);

/// The fields of a row that was not analysed: its status and message, the rest (the cage's
/// number and atoms included) empty.
void WriteUnanalysedFields(SummaryStatus status, std::string_view message, bool monteCarlo,
                           FieldSink& sink);

}  // namespace ovalon
