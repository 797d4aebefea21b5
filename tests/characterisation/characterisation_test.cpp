// The bit-exact characterisation of the engine. Every result of the fits, the canonical form,
// the uncertainties, the reports, the diagonals and the summary's analysis, on a corpus of over
// 300 varied cages, must equal the recorded one bit for bit.
//
// This test guards identity, not correctness: the record (engine.txt) is the engine's own
// output at the time it was written, by ovalon-record-characterisation. The golden reports
// print 10 significant digits and cannot see a changed last bit of an extended result; this
// test does. A failure names the case, its category and the quantity that differs.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "core/fpenvironment.h"
#include "tests/characterisation/cages.h"
#include "tests/characterisation/characterise.h"
#include "tests/characterisation/recordfile.h"

namespace ovalon::characterisation {
namespace {

const std::vector<Cage>& Cages() {
  static const std::vector<Cage> cages = BuildCages();
  return cages;
}

const std::vector<RecordedCase>& Record() {
  static const std::vector<RecordedCase> record = [] {
    std::ifstream in(OVALON_SOURCE_DIR "/tests/characterisation/engine.txt", std::ios::binary);
    if (!in) throw std::runtime_error("cannot open tests/characterisation/engine.txt");
    return ReadRecord(in);
  }();
  return record;
}

std::vector<std::string> Categories() {
  std::vector<std::string> categories;
  for (const Cage& cage : Cages()) {
    if (std::find(categories.begin(), categories.end(), cage.category) == categories.end())
      categories.push_back(cage.category);
  }
  return categories;
}

std::string Describe(const Cage& cage) {
  return "case " + std::to_string(cage.index) + " (" + cage.category + ", " +
         (cage.settings.leastSquares ? "least squares" : "Levenberg-Marquardt") + ")";
}

std::string Quote(const std::string& value) { return "\"" + value + "\""; }

/// One message for every quantity of `actual` that differs from the record, with the first
/// differing value (or, for a hashed quantity, the first few values now).
std::vector<std::string> Compare(const Cage& cage, const std::vector<Quantity>& actual,
                                 const RecordedCase& recorded) {
  std::vector<std::string> differences;
  const std::string where = Describe(cage);
  if (recorded.category != cage.category)
    return {where + ": recorded as category " + recorded.category + "; the corpus changed"};
  const std::size_t common = std::min(actual.size(), recorded.quantities.size());
  for (std::size_t k = 0; k < common; ++k) {
    const Quantity& now = actual[k];
    const RecordedQuantity& then = recorded.quantities[k];
    const std::string what = where + ", " + now.name;
    if (now.name != then.name) {
      differences.push_back(where + ": quantity " + std::to_string(k + 1) + " is " + now.name +
                            ", recorded was " + then.name);
      return differences;
    }
    if (now.values.size() != then.count) {
      differences.push_back(what + ": " + std::to_string(now.values.size()) + " values, recorded " +
                            std::to_string(then.count) +
                            (now.values.empty() ? "" : "; first now " + Quote(now.values[0])));
      continue;
    }
    if (then.full) {
      for (std::size_t i = 0; i < then.count; ++i) {
        if (now.values[i] == then.values[i]) continue;
        differences.push_back(what + ", value " + std::to_string(i + 1) + " of " +
                              std::to_string(then.count) + ":\n  recorded " +
                              Quote(then.values[i]) + "\n  now      " + Quote(now.values[i]));
        break;
      }
    } else if (HashValues(now.values) != then.hash) {
      std::string shown;
      for (std::size_t i = 0; i < std::min<std::size_t>(3, now.values.size()); ++i)
        shown += "\n  now " + Quote(now.values[i]);
      differences.push_back(what + ": the " + std::to_string(then.count) +
                            " values differ from the recorded hash " +
                            "(ovalon-record-characterisation --case " + std::to_string(cage.index) +
                            " prints them all)" + shown);
    }
  }
  if (actual.size() != recorded.quantities.size()) {
    differences.push_back(where + ": " + std::to_string(actual.size()) + " quantities, recorded " +
                          std::to_string(recorded.quantities.size()));
  }
  return differences;
}

TEST(Characterisation, CorpusIsLargeAndVaried) {
  const std::vector<Cage>& cages = Cages();
  EXPECT_GE(cages.size(), 300u);
  std::set<std::string> methods;
  for (const Cage& cage : cages) methods.insert(cage.settings.leastSquares ? "mnk" : "lm");
  EXPECT_EQ(methods.size(), 2u);
  EXPECT_GE(Categories().size(), 15u);
  ASSERT_EQ(Record().size(), cages.size()) << "the record holds another number of cases";
}

class CharacterisationOf : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { SetExtendedFloatingPointEnvironment(); }
};

TEST_P(CharacterisationOf, EveryResultEqualsTheRecordBitForBit) {
  const std::vector<Cage>& cages = Cages();
  const std::vector<RecordedCase>& record = Record();
  ASSERT_EQ(record.size(), cages.size()) << "the record holds another number of cases";
  // One change usually moves many results: the first ones are shown, the rest counted.
  constexpr std::size_t Shown = 30;
  std::size_t count = 0;
  std::set<int> failingCases;
  for (const Cage& cage : cages) {
    if (cage.category != GetParam()) continue;
    for (const std::string& difference : Compare(cage, Characterise(cage), record[cage.index])) {
      if (++count <= Shown) ADD_FAILURE() << difference;
      failingCases.insert(cage.index);
    }
  }
  if (count > Shown) {
    ADD_FAILURE() << count << " quantities differ in " << failingCases.size()
                  << " cases; the first " << Shown << " are shown above";
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CharacterisationOf, ::testing::ValuesIn(Categories()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace ovalon::characterisation
