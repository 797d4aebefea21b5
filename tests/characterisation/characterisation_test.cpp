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
#include <functional>
#include <optional>
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

/// Why the quantity `now` differs from its record `then` (of the same name), or nothing: the
/// first differing value or, for a hashed quantity, the first few values now.
std::optional<std::string> Difference(const Cage& cage, const Quantity& now,
                                      const RecordedQuantity& then) {
  const std::string what = Describe(cage) + ", " + now.name;
  if (now.values.size() != then.count) {
    return what + ": " + std::to_string(now.values.size()) + " values, recorded " +
           std::to_string(then.count) +
           (now.values.empty() ? "" : "; first now " + Quote(now.values[0]));
  }
  if (then.full) {
    for (std::size_t i = 0; i < then.count; ++i) {
      if (now.values[i] == then.values[i]) continue;
      return what + ", value " + std::to_string(i + 1) + " of " + std::to_string(then.count) +
             ":\n  recorded " + Quote(then.values[i]) + "\n  now      " + Quote(now.values[i]);
    }
  } else if (HashValues(now.values) != then.hash) {
    std::string shown;
    for (std::size_t i = 0; i < std::min<std::size_t>(3, now.values.size()); ++i)
      shown += "\n  now " + Quote(now.values[i]);
    return what + ": the " + std::to_string(then.count) + " values differ from the recorded hash " +
           "(ovalon-record-characterisation --case " + std::to_string(cage.index) +
           " prints them all)" + shown;
  }
  return std::nullopt;
}

/// One message for every quantity of `actual` that differs from the record.
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
    if (now.name != then.name) {
      differences.push_back(where + ": quantity " + std::to_string(k + 1) + " is " + now.name +
                            ", recorded was " + then.name);
      return differences;
    }
    if (const auto difference = Difference(cage, now, then)) differences.push_back(*difference);
  }
  if (actual.size() != recorded.quantities.size()) {
    differences.push_back(where + ": " + std::to_string(actual.size()) + " quantities, recorded " +
                          std::to_string(recorded.quantities.size()));
  }
  return differences;
}

/// One message for every quantity of `actual` that differs from the recorded quantity of the
/// same name, or has none.
std::vector<std::string> CompareByName(const Cage& cage, const std::vector<Quantity>& actual,
                                       const RecordedCase& recorded) {
  std::vector<std::string> differences;
  for (const Quantity& now : actual) {
    const auto then = std::find_if(recorded.quantities.begin(), recorded.quantities.end(),
                                   [&](const RecordedQuantity& q) { return q.name == now.name; });
    if (then == recorded.quantities.end()) {
      differences.push_back(Describe(cage) + ": " + now.name + " is not in the record");
    } else if (const auto difference = Difference(cage, now, *then)) {
      differences.push_back(*difference);
    }
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

/// Checks every cage of the parameter's category with `compare`, showing the first differences.
void CheckCategory(
    const std::string& category,
    const std::function<std::vector<std::string>(const Cage&, const RecordedCase&)>& compare) {
  const std::vector<Cage>& cages = Cages();
  const std::vector<RecordedCase>& record = Record();
  ASSERT_EQ(record.size(), cages.size()) << "the record holds another number of cases";
  // One change usually moves many results: the first ones are shown, the rest counted.
  constexpr std::size_t Shown = 30;
  std::size_t count = 0;
  std::set<int> failingCases;
  for (const Cage& cage : cages) {
    if (cage.category != category) continue;
    for (const std::string& difference : compare(cage, record[cage.index])) {
      if (++count <= Shown) ADD_FAILURE() << difference;
      failingCases.insert(cage.index);
    }
  }
  if (count > Shown) {
    ADD_FAILURE() << count << " quantities differ in " << failingCases.size()
                  << " cases; the first " << Shown << " are shown above";
  }
}

TEST_P(CharacterisationOf, EveryResultEqualsTheRecordBitForBit) {
  CheckCategory(GetParam(), [](const Cage& cage, const RecordedCase& recorded) {
    return Compare(cage, Characterise(cage), recorded);
  });
}

// The engine compiled for a number of atoms chosen at run time gives the 60-atom results bit
// for bit: the fits, the residuals and the summary, Monte Carlo draws included.
TEST_P(CharacterisationOf, RunTimeSizeGivesTheRecordedResults) {
  CheckCategory(GetParam(), [](const Cage& cage, const RecordedCase& recorded) {
    const std::vector<Quantity> results = CharacteriseAtRunTimeSize(cage);
    std::vector<std::string> differences = CompareByName(cage, results, recorded);
    std::vector<std::string> required = {"normal", "coefficients"};
    if (cage.finite) required.push_back("summary");  // the summary reads finite numbers only
    for (const std::string& name : required) {
      if (std::none_of(results.begin(), results.end(),
                       [&](const Quantity& q) { return q.name == name; }))
        differences.push_back(Describe(cage) + ": no " + name + " at the run-time size");
    }
    return differences;
  });
}

INSTANTIATE_TEST_SUITE_P(Corpus, CharacterisationOf, ::testing::ValuesIn(Categories()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace ovalon::characterisation
