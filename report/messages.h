#pragma once
// The texts that the window shows in its message boxes and ovalon-report prints with its errors.

#include <string>
#include <vector>

#include "input/coordinatereader.h"

namespace ovalon {

/// A field of an atom or uncertainty line is not a number; reading stopped there.
inline constexpr const char* FormatErrorMessage = "Неправильный формат строк файла!";

/// A precision or a Levenberg–Marquardt setting is not a number.
inline constexpr const char* InvalidInputMessage = "Проверьте правильности введенных данных!";

/// An operation was abandoned on a matrix singular to the inverse precision
/// (SingularMatrixError).
inline constexpr const char* SingularMatrixMessage =
    "Матрица вырождена при заданной точности обратной матрицы!";

/// ovalon-report's warning, and the Python package's, when the window would do nothing: every
/// coordinate is zero (or none was read), so the fit does not run.
inline constexpr const char* NoFitWarning =
    "the coordinates are all zero or not numbers: the fit does not run";

/// The notices to show once each, in order, after a reading without a format error: one when
/// the text had more than 60 lines of a kind, else one when it did not fill the tables exactly.
std::vector<std::string> CoordinateNotices(const CoordinateReading& reading);

}  // namespace ovalon
