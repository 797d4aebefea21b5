#pragma once
// The process-wide decimal separator of the window's and ovalon-report's reports. Only those two
// read and set it; every report builder takes the separator as a parameter.

#include <string>

namespace ovalon {

/// The separator of the reports (UTF-8). It starts as the locale's.
std::string DecimalSeparator();

/// Replaces the separator for every later report.
void SetDecimalSeparator(const std::string& separator);

/// Sets the separator from the user's locale (LC_NUMERIC of the environment), without touching
/// the C library's global locale; "." when that locale is unavailable.
void SetDecimalSeparatorFromLocale();

/// The rule of the window's number reading: once any text has been handed to ParseNumber, a
/// number or not, the separator is "." for the rest of the run. Call it after every step that
/// may read numbers, with whether it did.
void SetDecimalSeparatorAfterParsing(bool numbersParsed);

}  // namespace ovalon
