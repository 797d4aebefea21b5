#pragma once
// The error of a guarded inversion that meets a pivot not larger than the user's precision.

#include <stdexcept>

namespace ovalon {

/// Text of the message box shown when an operation is abandoned on a singular matrix.
inline constexpr const char* SingularMatrixMessage =
    "Матрица вырождена при заданной точности обратной матрицы!";

class SingularMatrixError : public std::runtime_error {
 public:
  SingularMatrixError() : std::runtime_error(SingularMatrixMessage) {}
};

}  // namespace ovalon
