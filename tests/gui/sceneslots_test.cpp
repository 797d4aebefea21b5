// Emptying the scene object slots when the window closes.

#include "app/sceneslots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovalon {
namespace {

/// A scene object that logs its destruction as "<kind><atom>.<slot>".
struct LoggedObject {
  std::vector<std::string>* log;
  std::string name;
  ~LoggedObject() { log->push_back(name); }
};

struct Slots {
  FixedVector<AtomCount, LoggedObject*> spheres;
  FixedVector<AtomCount, LoggedObject*> labels;
  FixedMatrix<AtomCount, 3, LoggedObject*> bondLines;
};

TEST(DestroySceneObjects, DestroysEachObjectOnceInSlotOrder) {
  std::vector<std::string> log;
  Slots slots;
  const auto make = [&log](const std::string& name) { return new LoggedObject{&log, name}; };
  slots.spheres.at(60) = make("sphere60");
  slots.spheres.at(2) = make("sphere2");
  slots.labels.at(7) = make("label7");
  slots.bondLines.at(3, 1) = make("bond3.1");
  slots.bondLines.at(3, 2) = make("bond3.2");
  slots.bondLines.at(1, 1) = make("bond1.1");
  slots.bondLines.at(1, 2) = make("bond1.2");
  slots.bondLines.at(1, 3) = make("bond1.3");

  DestroySceneObjects(slots.spheres, slots.labels, slots.bondLines);

  EXPECT_EQ(log, (std::vector<std::string>{"sphere2", "sphere60", "label7", "bond1.1", "bond1.2",
                                           "bond1.3", "bond3.1", "bond3.2"}));
  Slots empty;
  EXPECT_EQ(slots.spheres, empty.spheres);
  EXPECT_EQ(slots.labels, empty.labels);
  EXPECT_EQ(slots.bondLines, empty.bondLines);
  // A second close finds every slot empty and destroys nothing more.
  DestroySceneObjects(slots.spheres, slots.labels, slots.bondLines);
  EXPECT_EQ(log.size(), 8u);
}

TEST(DestroySceneObjects, BondLinesAfterAnEmptyFirstSlotStay) {
  // The filled bond-line slots of an atom are always a prefix; an atom whose first slot is
  // empty is passed over whole.
  std::vector<std::string> log;
  Slots slots;
  LoggedObject stray{&log, "stray"};
  slots.bondLines.at(5, 2) = &stray;
  DestroySceneObjects(slots.spheres, slots.labels, slots.bondLines);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(slots.bondLines.at(5, 2), &stray);
}

}  // namespace
}  // namespace ovalon
