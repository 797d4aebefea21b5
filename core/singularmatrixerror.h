#pragma once
// The error of a guarded inversion that meets a pivot not larger than the user's precision.

#include <stdexcept>

namespace ovalon {

/// Abandons the operation that met the pivot; the window and ovalon-report say so in their own
/// words.
class SingularMatrixError : public std::runtime_error {
 public:
  SingularMatrixError() : std::runtime_error("a matrix is singular to the inverse precision") {}
};

}  // namespace ovalon
