#pragma once
// The recorded results of the corpus: reading and writing the file that holds them.
//
// The file is plain text. For each case, a line "case INDEX CATEGORY"; then, for every quantity,
// either "full NAME COUNT" followed by its COUNT values one per line, or "hash NAME COUNT HASH"
// with the FNV-1a hash of its values. The first case of every category is recorded in full,
// the others (and every case's input) as hashes. Lines starting with "#" are comments.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tests/characterisation/cages.h"
#include "tests/characterisation/characterise.h"

namespace ovalon::characterisation {

/// A quantity as the file holds it.
struct RecordedQuantity {
  std::string name;
  bool full = false;
  std::size_t count = 0;
  std::uint64_t hash = 0;
  std::vector<std::string> values;  ///< only when full
};

struct RecordedCase {
  int index = 0;
  std::string category;
  std::vector<RecordedQuantity> quantities;
};

/// FNV-1a (64 bits) of the values, each followed by a line feed.
std::uint64_t HashValues(const std::vector<std::string>& values);

/// Whether the case is recorded in full: the first of its category.
bool RecordedInFull(const std::vector<Cage>& cages, int index);

/// Writes the results of every cage, `results[n]` belonging to `cages[n]`.
void WriteRecord(std::ostream& out, const std::vector<Cage>& cages,
                 const std::vector<std::vector<Quantity>>& results);

/// Reads a file written by WriteRecord; throws std::runtime_error when it is malformed.
std::vector<RecordedCase> ReadRecord(std::istream& in);

}  // namespace ovalon::characterisation
