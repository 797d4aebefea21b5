#pragma once
// Emptying the scene object slots of the analysis state when the window closes.

#include "core/extended.h"

namespace ovalon {

/// Empties `slot` and then destroys the object it held, if any.
template <typename T>
void DestroySlot(T*& slot) {
  T* object = slot;
  slot = nullptr;
  delete object;
}

/// Destroys the atom spheres (1..60), then the atom labels (1..60), then the bond lines: for
/// every atom whose first bond-line slot holds an object, its three slots in slot order (an
/// empty slot is skipped). Every slot that held an object is left empty.
template <typename Sphere, typename Label, typename Line>
void DestroySceneObjects(FixedVector<AtomCount, Sphere*>& spheres,
                         FixedVector<AtomCount, Label*>& labels,
                         FixedMatrix<AtomCount, 3, Line*>& bondLines) {
  for (int i = 1; i <= AtomCount; ++i) DestroySlot(spheres.at(i));
  for (int i = 1; i <= AtomCount; ++i) DestroySlot(labels.at(i));
  for (int i = 1; i <= AtomCount; ++i) {
    if (bondLines.at(i, 1) == nullptr) continue;
    for (int k = 1; k <= 3; ++k) DestroySlot(bondLines.at(i, k));
  }
}

}  // namespace ovalon
