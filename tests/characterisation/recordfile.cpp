#include "tests/characterisation/recordfile.h"

#include <cinttypes>
#include <cstdio>
#include <istream>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace ovalon::characterisation {

std::uint64_t HashValues(const std::vector<std::string>& values) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  const auto add = [&hash](unsigned char byte) {
    hash ^= byte;
    hash *= 0x100000001B3ull;
  };
  for (const std::string& value : values) {
    for (char c : value) add(static_cast<unsigned char>(c));
    add('\n');
  }
  return hash;
}

bool RecordedInFull(const std::vector<Cage>& cages, int index) {
  return index == 0 || cages[index - 1].category != cages[index].category;
}

void WriteRecord(std::ostream& out, const std::vector<Cage>& cages,
                 const std::vector<std::vector<Quantity>>& results) {
  out << "# Results of the engine on the characterisation corpus; see characterisation_test.cpp.\n";
  for (std::size_t n = 0; n < cages.size(); ++n) {
    out << "case " << cages[n].index << ' ' << cages[n].category << '\n';
    const bool full = RecordedInFull(cages, static_cast<int>(n));
    for (const Quantity& q : results[n]) {
      if (full && !q.alwaysHashed) {
        out << "full " << q.name << ' ' << q.values.size() << '\n';
        for (const std::string& value : q.values) out << value << '\n';
      } else {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016" PRIx64, HashValues(q.values));
        out << "hash " << q.name << ' ' << q.values.size() << ' ' << hash << '\n';
      }
    }
  }
}

std::vector<RecordedCase> ReadRecord(std::istream& in) {
  std::vector<RecordedCase> cases;
  std::string line;
  long long lineNumber = 0;
  const auto fail = [&lineNumber](const std::string& what) {
    throw std::runtime_error("line " + std::to_string(lineNumber) + ": " + what);
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "case") {
      RecordedCase c;
      if (!(fields >> c.index >> c.category)) fail("a case needs an index and a category");
      cases.push_back(c);
      continue;
    }
    if (cases.empty()) fail("a quantity before the first case");
    RecordedQuantity q;
    if (!(fields >> q.name >> q.count)) fail("a quantity needs a name and a count");
    if (kind == "hash") {
      std::string hash;
      if (!(fields >> hash)) fail("a hashed quantity needs its hash");
      q.hash = std::stoull(hash, nullptr, 16);
    } else if (kind == "full") {
      q.full = true;
      for (std::size_t k = 0; k < q.count; ++k) {
        if (!std::getline(in, line)) fail("the file ends inside " + q.name);
        ++lineNumber;
        q.values.push_back(line);
      }
    } else {
      fail("unknown line kind \"" + kind + "\"");
    }
    cases.back().quantities.push_back(std::move(q));
  }
  return cases;
}

}  // namespace ovalon::characterisation
