#pragma once
// The rows of the summary as text: CSV, JSON Lines or a table for people, with the columns and
// the spelling of the fields they share.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/cagesummary.h"
#include "report/summarytable.h"

namespace ovalon {

/// How the rows are written.
enum class SummaryFormat {
  Csv,    ///< a header, then one record per row, ending with CR LF (RFC 4180)
  Json,   ///< JSON Lines: one object per row, keyed by the column names, ending with LF; a
          ///< number left empty is null, a text is always a string
  Table,  ///< each row as lines "name  value" with aligned values; an empty line between rows
};

/// RFC 4180 ends every record, the last one included, with CR LF.
inline constexpr const char* CsvLineEnd = "\r\n";

/// A text field: quoted (with inner quotes doubled) when it holds a comma, a quote, CR or LF,
/// or starts or ends with a space or tab; as it stands otherwise. Bytes that are not valid
/// UTF-8 are written as U+FFFD.
std::string CsvText(std::string_view bytes);

/// A JSON string of `bytes`: quoted, with quote, backslash and control characters escaped and
/// bytes that are not valid UTF-8 written as U+FFFD.
std::string JsonText(std::string_view bytes);

/// A 64-bit number in the shortest form that reads back to the same value (std::to_chars:
/// "." decimals, no locale), e.g. "0.1", "-3.25", "1e-05"; "nan", "inf" and "-inf" for the
/// values that are not finite.
std::string CsvNumber(double value);

/// The CSV header row, without its line break; the Monte Carlo columns only when asked for.
std::string SummaryHeader(bool monteCarlo);

/// What stands between two rows: the empty line of a table, nothing otherwise.
inline const char* RowSeparator(SummaryFormat format) {
  return format == SummaryFormat::Table ? "\n" : "";
}

/// Where a row's frame stands in the input.
struct RowPlace {
  std::string_view file;     ///< the file as given, with its data block or model where needed
  long long frame = 0;       ///< the frame's number in the file, from 1; 0 for none
  long long line = 0;        ///< the line of the frame's count; 0 for none
  std::string_view comment;  ///< the frame's comment
};

/// The row of an analysed cage, with its line end. `frameAtoms` holds the cage's atoms as
/// 0-based indices into the frame, which number the chord's atoms by their place in the frame.
std::string AnalysedRow(SummaryFormat format, const RowPlace& place, const CageSummary& summary,
                        const CagePlace& cage, const std::vector<int>& frameAtoms,
                        bool monteCarlo);

/// The row of a frame or file that was not analysed, with its line end: its status, message and
/// empty fields.
std::string UnanalysedRow(SummaryFormat format, const RowPlace& place, SummaryStatus status,
                          std::string_view message, bool monteCarlo);

}  // namespace ovalon
