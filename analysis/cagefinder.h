#pragma once
// Finding the carbon cages of a frame: the rules `--cage auto`, `--cage carbon` and
// `--cage-atoms LIST`.

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ovalon {

/// One atom of a frame, as the cage rules need it: whether it is carbon, and where (Å).
struct FrameAtom {
  bool carbon = false;
  double x = 0, y = 0, z = 0;
};

/// True for the element symbols read as carbon: "C" and "c".
inline bool IsCarbonSymbol(std::string_view symbol) { return symbol == "C" || symbol == "c"; }

/// True for atomic number 6.
inline bool IsCarbonNumber(int atomicNumber) { return atomicNumber == 6; }

/// Default distance up to which two carbon atoms are bonded, in Å.
constexpr double DefaultBondCutoff = 1.8;

/// Smallest ring system taken for a cage, in atoms.
constexpr int MinimumCageAtoms = 20;

struct CageFinderOptions {
  double bondCutoff = DefaultBondCutoff;  ///< Å; finite and > 0
};

/// One cage of a frame.
struct FoundCage {
  std::vector<int> atoms;  ///< 0-based indices into the frame's atoms, ascending
  /// The bonds between its atoms that are not in exactly two of its rings: 0 for a closed cage,
  /// more where atoms are missing or a ring of an addend is fused onto it. Set by FindCages only.
  int openBonds = 0;
};

/// The cages of a frame, ordered by their first atom, and what was found when there is none.
struct CageSearch {
  std::vector<FoundCage> cages;
  std::string message;  ///< empty when `cages` is not; e.g. "46 carbon atoms, no ring system …"
};

/// The `auto` rule. Bonds join carbon atoms at most `bondCutoff` apart; rings are the chordless
/// cycles of 5, 6 or 7 bonded carbon atoms; rings that share a bond are fused into one system,
/// and every system of at least MinimumCageAtoms atoms is a cage. Other elements, carbon atoms
/// bound to a cage through three- or four-membered rings or single bonds, and small ring
/// systems (solvent) stay out. Throws std::invalid_argument for a cutoff that is not > 0.
CageSearch FindCages(const std::vector<FrameAtom>& atoms, const CageFinderOptions& options = {});

/// FindCages for the frames of a trajectory, one after another, with the same results. The
/// cages depend only on which carbon atoms are bonded. While no carbon atom of a frame has
/// moved from where the last frame searched saw it by more than a safe share of the smallest
/// gap between a distance and the cutoff, no bond can have formed or broken, and the last
/// result is returned again; otherwise the bonds are found, and the rings are searched only
/// when the bonds differ from the last ones. Not safe to share between threads.
class CageFinder {
 public:
  /// As FindCages(atoms, options); the reference stays valid until the next call.
  const CageSearch& Find(const std::vector<FrameAtom>& atoms, const CageFinderOptions& options);

 private:
  bool NoneMovedFar(const std::vector<FrameAtom>& atoms, const CageFinderOptions& options) const;

  std::vector<FrameAtom> m_reference;  ///< the atoms of the last frame whose bonds were found
  double m_cutoff = 0;
  std::vector<int> m_frameIndex;             ///< its carbon atoms
  std::vector<std::array<int, 2>> m_bonds;  ///< and their bonds
  double m_reach = 0;  ///< how far a carbon atom may move with all bonds kept; 0: search again
  CageSearch m_search;
};

/// The `carbon` rule: all carbon atoms of the frame as one cage; none when there are none.
CageSearch CarbonCage(const std::vector<FrameAtom>& atoms);

/// A text of `--cage-atoms` that cannot be read; what() says why, naming the item.
class AtomListError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

/// A range of 1-based atom numbers, `first` ≤ `last`.
struct AtomRange {
  int first = 0;
  int last = 0;
};

/// Reads a `--cage-atoms` list: items separated by commas, each a 1-based atom number "75" or
/// a range "1-60" (spaces around numbers allowed). Throws AtomListError for an empty list or
/// item, a number that is not a whole number from 1 to 2147483647, a range whose end is below
/// its start, or an atom listed twice. The ranges are returned in the order given.
std::vector<AtomRange> ParseAtomList(std::string_view text);

/// The listed atoms of a frame of `frameAtoms` atoms as a cage: 0-based indices, ascending.
/// Throws AtomListError when a number lies beyond the frame.
FoundCage ListedCage(const std::vector<AtomRange>& list, int frameAtoms);

}  // namespace ovalon
