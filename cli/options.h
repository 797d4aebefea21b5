#pragma once
// Command-line arguments of ovalon-report: option values and the options of the fit.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/fitrun.h"

namespace ovalon {

/// A wrong command line; the command prints it with its usage and exits with status 2.
class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// Walks the arguments one at a time. An option that takes a text accepts both "--name TEXT"
/// and "--name=TEXT".
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& args) : m_args(args) {}

  /// Moves to the next argument; false after the last.
  bool Next();
  /// The option's name without "=TEXT", or the plain argument.
  const std::string& Name() const { return m_name; }
  /// The option's text: after "=", or else the next argument.
  std::string Text();
  /// Throws unless the option came without "=TEXT".
  void NoText() const;

 private:
  const std::vector<std::string>& m_args;
  size_t m_next = 0;
  std::string m_name;
  std::optional<std::string> m_text;
};

/// Reads --method, --cycles, --start, --lambda, --step, --inverse-precision or
/// --rotation-precision into `fit`; false when the argument is none of them.
bool ReadFitOption(ArgumentCursor& cursor, FitSettings& fit);

}  // namespace ovalon
