#pragma once
// The CSV table of the summary: its columns, its rows and the spelling of its fields.

#include <string>
#include <string_view>

#include "analysis/cagesummary.h"
#include "input/framereader.h"

namespace ovalon {

/// RFC 4180 ends every record, the last one included, with CR LF.
inline constexpr const char* CsvLineEnd = "\r\n";

/// A text field: quoted (with inner quotes doubled) when it holds a comma, a quote, CR or LF,
/// or starts or ends with a space or tab; as it stands otherwise. Bytes that are not valid
/// UTF-8 are written as U+FFFD.
std::string CsvText(std::string_view bytes);

/// A 64-bit number in the shortest form that reads back to the same value (std::to_chars:
/// "." decimals, no locale), e.g. "0.1", "-3.25", "1e-05"; "nan", "inf" and "-inf" for the
/// values that are not finite.
std::string CsvNumber(double value);

/// The header row, without its line break; the Monte Carlo columns only when asked for.
std::string SummaryHeader(bool monteCarlo);

/// The row of one frame, without its line break. `summary` is used for the frames that were
/// read (problem None); for the others the row has their status, message and empty fields.
std::string SummaryRow(std::string_view file, const CageFrame& frame, const CageSummary& summary,
                       bool monteCarlo);

/// The row of a file that cannot be opened or read.
std::string FileErrorRow(std::string_view file, std::string_view message, bool monteCarlo);

}  // namespace ovalon
