#include "input/coordinatereader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "input/textfile.h"
#include "report/messages.h"

namespace ovalon {
namespace {

using Lines = std::vector<std::string>;
using Notices = std::vector<std::string>;

// The test cage: atom k at (k/4 − 7.5, 3 − k/8, k/16), all exact binary fractions, with the
// uncertainties k/1000, k/500, k/250, whose doubles are the correctly rounded decimals that
// "0.00k"-style texts read as. The files reader_*.xyz in the test data hold the same values.
double AtomX(int k) { return k * 0.25 - 7.5; }
double AtomY(int k) { return 3 - k * 0.125; }
double AtomZ(int k) { return k * 0.0625; }
double ErrorX(int k) { return k / 1000.0; }
double ErrorY(int k) { return k / 500.0; }
double ErrorZ(int k) { return k / 250.0; }

std::string AtomLine(int k) {
  char line[80];
  std::snprintf(line, sizeof line, "C  %.6f  %.6f  %.6f", AtomX(k), AtomY(k), AtomZ(k));
  return line;
}

std::string UncertaintyLine(int k) {
  char line[80];
  std::snprintf(line, sizeof line, ">  %.3f  %.3f  %.3f", k / 1000.0, k / 500.0, k / 250.0);
  return line;
}

enum class Layout { Interleaved, Grouped };

/// The usual file: atom-count line, comment line, then atom and uncertainty lines.
Lines CageText(int atoms, int uncertainties, Layout layout = Layout::Interleaved) {
  Lines lines = {std::to_string(atoms), "Test cage"};
  if (layout == Layout::Interleaved) {
    for (int k = 1; k <= std::max(atoms, uncertainties); ++k) {
      if (k <= atoms) lines.push_back(AtomLine(k));
      if (k <= uncertainties) lines.push_back(UncertaintyLine(k));
    }
  } else {
    for (int k = 1; k <= atoms; ++k) lines.push_back(AtomLine(k));
    for (int k = 1; k <= uncertainties; ++k) lines.push_back(UncertaintyLine(k));
  }
  return lines;
}

constexpr double Untouched = -999;

PointSet Filled(double value) {
  PointSet points;
  for (int k = 1; k <= AtomCount; ++k) {
    points.X.at(k) = value;
    points.Y.at(k) = value;
    points.Z.at(k) = value;
  }
  return points;
}

/// Entries first..last of `points` hold (x(k), y(k), z(k)).
void ExpectEntries(const PointSet& points, int first, int last, double (*x)(int), double (*y)(int),
                   double (*z)(int)) {
  for (int k = first; k <= last; ++k) {
    SCOPED_TRACE("entry " + std::to_string(k));
    EXPECT_EQ(points.X.at(k), x(k));
    EXPECT_EQ(points.Y.at(k), y(k));
    EXPECT_EQ(points.Z.at(k), z(k));
  }
}

void ExpectCageAtoms(const PointSet& atoms, int first, int last) {
  ExpectEntries(atoms, first, last, AtomX, AtomY, AtomZ);
}

void ExpectCageErrors(const PointSet& errors, int first, int last) {
  ExpectEntries(errors, first, last, ErrorX, ErrorY, ErrorZ);
}

double UntouchedEntry(int) { return Untouched; }

void ExpectUntouched(const PointSet& points, int first, int last) {
  ExpectEntries(points, first, last, UntouchedEntry, UntouchedEntry, UntouchedEntry);
}

std::string CountNotice(int atomLines, int uncertaintyLines) {
  return "В тексте строк атомов: " + std::to_string(atomLines) +
         ", строк погрешностей: " + std::to_string(uncertaintyLines) +
         ", а ожидалось по 60 строк из трёх чисел. Значения, которых нет в тексте, остались "
         "прежними.";
}

const std::string TooManyNotice = "В тексте больше 60 атомов: прочитаны только первые 60.";

struct Tables {
  PointSet atoms = Filled(Untouched);
  PointSet errors = Filled(Untouched);
  CoordinateReading Read(const Lines& lines) { return ReadCoordinates(lines, atoms, errors); }
};

TEST(ReadCoordinates, UsualLayoutInterleavedOrGrouped) {
  for (Layout layout : {Layout::Interleaved, Layout::Grouped}) {
    SCOPED_TRACE(layout == Layout::Interleaved ? "interleaved" : "grouped");
    Tables tables;
    const CoordinateReading reading = tables.Read(CageText(60, 60, layout));
    EXPECT_FALSE(reading.formatError);
    EXPECT_EQ(reading.atomLines, 60);
    EXPECT_EQ(reading.uncertaintyLines, 60);
    EXPECT_EQ(CoordinateNotices(reading), Notices{});
    ExpectCageAtoms(tables.atoms, 1, 60);
    ExpectCageErrors(tables.errors, 1, 60);
  }
}

TEST(ReadCoordinates, OnlyTheFirstCharacterMakesAnAtomOrUncertaintyLine) {
  Tables tables;
  const CoordinateReading reading = tables.Read({
      "60", "A comment line",
      "c  9  9  9",      // lower-case c: skipped
      " C  9  9  9",     // leading space: skipped
      "   ",             // spaces only: not empty, skipped
      "Cx  1  2  3",     // anything attached to the C is part of the prefix
      "C12  4  5  6",    // an atom number written without a space
      "C9  7  8",        // "C9" is the prefix
      ">>  10  11  12",  // an uncertainty line
  });
  EXPECT_FALSE(reading.formatError);
  EXPECT_EQ(reading.atomLines, 3);
  EXPECT_EQ(reading.uncertaintyLines, 1);
  // The third atom line held two numbers: 7 and 8 go to X3 and Y3; the turn is then at Z.
  EXPECT_EQ(tables.atoms.X.at(1), 1);
  EXPECT_EQ(tables.atoms.Y.at(1), 2);
  EXPECT_EQ(tables.atoms.Z.at(1), 3);
  EXPECT_EQ(tables.atoms.X.at(2), 4);
  EXPECT_EQ(tables.atoms.Y.at(2), 5);
  EXPECT_EQ(tables.atoms.Z.at(2), 6);
  EXPECT_EQ(tables.atoms.X.at(3), 7);
  EXPECT_EQ(tables.atoms.Y.at(3), 8);
  EXPECT_EQ(tables.atoms.Z.at(3), Untouched);
  EXPECT_EQ(tables.errors.Z.at(1), 10);
  EXPECT_EQ(tables.errors.X.at(1), 11);
  EXPECT_EQ(tables.errors.Y.at(1), 12);
  EXPECT_EQ(CoordinateNotices(reading), Notices{CountNotice(3, 1)});
}

TEST(ReadCoordinates, FourthNumberShiftsTheTurnForBothTables) {
  Tables tables;
  const CoordinateReading reading = tables.Read({"C  1  2  3  4", "C  5  6  7", ">  8  9  10"});
  EXPECT_FALSE(reading.formatError);
  const double atomsX[] = {1, 4, 7};
  const double atomsY[] = {2, 5};
  const double atomsZ[] = {3, 6};
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(tables.atoms.X.at(k), atomsX[k - 1]);
  for (int k = 1; k <= 2; ++k) EXPECT_EQ(tables.atoms.Y.at(k), atomsY[k - 1]);
  for (int k = 1; k <= 2; ++k) EXPECT_EQ(tables.atoms.Z.at(k), atomsZ[k - 1]);
  EXPECT_EQ(tables.atoms.Y.at(3), Untouched);
  // After 7 went to X, the turn is at Y; the uncertainty table's own counters start at 1.
  EXPECT_EQ(tables.errors.Y.at(1), 8);
  EXPECT_EQ(tables.errors.Z.at(1), 9);
  EXPECT_EQ(tables.errors.X.at(1), 10);
  EXPECT_EQ(CoordinateNotices(reading), Notices{CountNotice(2, 1)});
}

TEST(ReadCoordinates, ExponentFormsAndSigns) {
  Tables tables;
  tables.Read({"C  1.5E-3  -2e+1  +4", ">  .5  1e0  -0.25"});
  EXPECT_EQ(tables.atoms.X.at(1), 0.0015);
  EXPECT_EQ(tables.atoms.Y.at(1), -20);
  EXPECT_EQ(tables.atoms.Z.at(1), 4);
  EXPECT_EQ(tables.errors.X.at(1), 0.5);
  EXPECT_EQ(tables.errors.Y.at(1), 1);
  EXPECT_EQ(tables.errors.Z.at(1), -0.25);
}

TEST(ReadCoordinates, SingleAndTrailingSpacesSeparateFields) {
  Tables tables;
  const CoordinateReading reading = tables.Read({
      "C 1 2 3", "> 0.5 0.25 0.125 ", "C    4 5    6   ",
      "C",  // no field at all
  });
  EXPECT_FALSE(reading.formatError);
  EXPECT_EQ(tables.atoms.X.at(1), 1);
  EXPECT_EQ(tables.atoms.Y.at(1), 2);
  EXPECT_EQ(tables.atoms.Z.at(1), 3);
  EXPECT_EQ(tables.atoms.X.at(2), 4);
  EXPECT_EQ(tables.atoms.Y.at(2), 5);
  EXPECT_EQ(tables.atoms.Z.at(2), 6);
  EXPECT_EQ(tables.errors.X.at(1), 0.5);
  EXPECT_EQ(tables.errors.Y.at(1), 0.25);
  EXPECT_EQ(tables.errors.Z.at(1), 0.125);
  EXPECT_EQ(reading.atomLines, 3);
  EXPECT_EQ(CoordinateNotices(reading), Notices{CountNotice(3, 1)});
}

TEST(ReadCoordinates, FieldsKeepTheSpaceBeforeAndAfterThem) {
  // A field other than the last keeps its following space, so it is read leniently; the last
  // is read strictly. "E5" passes only the strict reading (a mantissa may lack digits).
  Tables tables;
  EXPECT_FALSE(tables.Read({"C  1  2  E5"}).formatError);
  EXPECT_EQ(tables.atoms.Z.at(1), 0);
  EXPECT_TRUE(tables.Read({"C  E5  2  3"}).formatError);
}

TEST(ReadCoordinates, FormatErrorStopsAndKeepsWhatWasStored) {
  Tables tables;
  const CoordinateReading reading =
      tables.Read({"C  1.0  2.0  3.0", ">  0.5  0.5  0.5", "C  4.0  5,5  6.0", "C  7  8  9"});
  EXPECT_TRUE(reading.formatError);
  EXPECT_EQ(CoordinateNotices(reading), Notices{});
  EXPECT_EQ(reading.atomLines, 2);
  EXPECT_EQ(tables.atoms.X.at(1), 1);
  EXPECT_EQ(tables.errors.Z.at(1), 0.5);
  EXPECT_EQ(tables.atoms.X.at(2), 4);  // stored before the failing field
  EXPECT_EQ(tables.atoms.Y.at(2), Untouched);
  EXPECT_EQ(tables.atoms.Z.at(2), Untouched);
  ExpectUntouched(tables.atoms, 3, 60);
  EXPECT_STREQ(FormatErrorMessage, "Неправильный формат строк файла!");
}

TEST(ReadCoordinates, FieldsThatAreNotNumbers) {
  const char* const lines[] = {
      "C  1,5  2  3", "C  1  2  x",       "C  1;2  3",  "C  1  2  3e",
      "C  1  2  --3", ">  0.1  0.2  0x3", "C  +  2  3",
  };
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    Tables tables;
    const CoordinateReading reading = tables.Read({line, AtomLine(2)});
    EXPECT_TRUE(reading.formatError);
    EXPECT_EQ(CoordinateNotices(reading), Notices{});
    EXPECT_EQ(tables.atoms.X.at(2), Untouched);  // nothing after the failing line is read
  }
}

// A tab separates fields as a space does, alone, in runs, or mixed with spaces.
TEST(ReadCoordinates, TabsSeparateFieldsLikeSpaces) {
  Lines tabbed;
  for (const std::string& line : CageText(60, 60)) {
    std::string copy = line;
    std::replace(copy.begin(), copy.end(), ' ', '\t');
    tabbed.push_back(copy);
  }
  Tables tables;
  const CoordinateReading reading = tables.Read(tabbed);
  EXPECT_FALSE(reading.formatError);
  EXPECT_EQ(CoordinateNotices(reading), Notices{});
  ExpectCageAtoms(tables.atoms, 1, 60);
  ExpectCageErrors(tables.errors, 1, 60);

  Tables mixed;
  EXPECT_FALSE(mixed.Read({"C\t 1.5 \t-2\t\t3e1", ">\t0.1  0.2\t0.3"}).formatError);
  EXPECT_EQ(mixed.atoms.X.at(1), 1.5);
  EXPECT_EQ(mixed.atoms.Y.at(1), -2);
  EXPECT_EQ(mixed.atoms.Z.at(1), 30);
  EXPECT_EQ(mixed.errors.Z.at(1), 0.3);
}

// The failing field is found by its line (counting every line) and its place in it.
TEST(ReadCoordinates, BadFieldIsLocated) {
  struct Case {
    Lines text;
    int lineNumber;
    std::size_t start, length;
    int fieldNumber;
  } cases[] = {
      {{"60", "comment", "C  1.0  5,5  3.0"}, 3, 8, 3, 2},
      {{"C  1  2  3", "", "C  x  y  z"}, 0, 0, 0, 0},  // never read: no error
      {{"C\t1\tabc\t3"}, 1, 4, 3, 2},
      {{">  1  2  3e"}, 1, 9, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.back());
    Tables tables;
    const CoordinateReading reading = tables.Read(c.text);
    EXPECT_EQ(reading.formatError, c.lineNumber != 0);
    if (!reading.formatError) continue;
    const BadField& bad = reading.badField;
    EXPECT_EQ(bad.lineNumber, c.lineNumber);
    EXPECT_EQ(bad.line, c.text[c.lineNumber - 1]);
    EXPECT_EQ(bad.start, c.start);
    EXPECT_EQ(bad.length, c.length);
    EXPECT_EQ(bad.fieldNumber, c.fieldNumber);
  }
}

TEST(ReadCoordinates, EmptyLineEndsTheReading) {
  Lines lines = CageText(60, 60);
  lines[1] = "";  // the comment line
  Tables tables;
  CoordinateReading reading = tables.Read(lines);
  EXPECT_FALSE(reading.formatError);
  ExpectUntouched(tables.atoms, 1, 60);
  ExpectUntouched(tables.errors, 1, 60);
  EXPECT_EQ(CoordinateNotices(reading), Notices{CountNotice(0, 0)});

  reading = tables.Read({AtomLine(1), "", AtomLine(2)});
  ExpectCageAtoms(tables.atoms, 1, 1);
  EXPECT_EQ(tables.atoms.X.at(2), Untouched);
  EXPECT_EQ(reading.atomLines, 1);
}

TEST(ReadCoordinates, SaysWhetherAnyFieldReachedTheNumberReading) {
  // The window makes "." its decimal separator once any text was read as a number, a failing
  // one included; a reading that reads no field leaves the separator alone.
  const struct {
    const char* name;
    Lines lines;
    bool parsed;
  } cases[] = {
      {"no line", {}, false},
      {"count and comment only", {"60", "Fullerene"}, false},
      {"atom line without a field", {"C", "C1"}, false},
      {"empty line before the atoms", {"60", "", AtomLine(1)}, false},
      {"one number", {"C  1"}, true},
      {"a field that is not a number", {">  x"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tables tables;
    EXPECT_EQ(tables.Read(c.lines).numbersParsed, c.parsed);
  }
}

TEST(ReadCoordinates, ShorterTextKeepsTheLaterEntriesOfAnEarlierReading) {
  Tables tables;
  tables.Read(CageText(60, 60));
  Lines shorter = {"59", "Other cage"};
  for (int k = 1; k <= 59; ++k) {
    shorter.push_back("C  100  200  300");
    shorter.push_back(">  1  2  3");
  }
  const CoordinateReading reading = tables.Read(shorter);
  EXPECT_EQ(tables.atoms.X.at(59), 100);
  EXPECT_EQ(tables.errors.Z.at(59), 3);
  ExpectCageAtoms(tables.atoms, 60, 60);
  ExpectCageErrors(tables.errors, 60, 60);
  EXPECT_EQ(CoordinateNotices(reading), Notices{CountNotice(59, 59)});
}

TEST(ReadCoordinates, NoticeWhenTheTablesAreNotFilledExactly) {
  const auto withLine = [](Lines lines, int index, std::string line) {
    lines[index] = std::move(line);
    return lines;
  };
  // In CageText(60, 60) atom k is line 2k and its uncertainty line 2k + 1.
  const struct {
    const char* name;
    Lines lines;
    Notices expected;
  } cases[] = {
      {"60 atoms, 60 uncertainties", CageText(60, 60), {}},
      {"60 atoms, no uncertainties", CageText(60, 0), {}},
      {"60 atoms, 59 uncertainties", CageText(60, 59), {CountNotice(60, 59)}},
      {"59 atoms", CageText(59, 0), {CountNotice(59, 0)}},
      {"no atom line", {"Результаты."}, {CountNotice(0, 0)}},
      {"no line at all", {}, {CountNotice(0, 0)}},
      {"an atom line of four numbers and one of two",
       withLine(withLine(CageText(60, 60), 2, "C  1  2  3  4"), 4, "C  1  2"),
       {CountNotice(60, 60)}},
      {"an uncertainty line of two numbers",
       withLine(CageText(60, 60), 3, ">  1  2"),
       {CountNotice(60, 60)}},
      {"61 atoms", CageText(61, 0), {TooManyNotice}},
      {"61 uncertainties", CageText(60, 61), {TooManyNotice}},
      {"70 atoms, 70 uncertainties", CageText(70, 70), {TooManyNotice}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tables tables;
    const CoordinateReading reading = tables.Read(c.lines);
    EXPECT_FALSE(reading.formatError);
    EXPECT_EQ(CoordinateNotices(reading), c.expected);
  }
}

TEST(ReadCoordinates, NothingIsStoredPastEntrySixty) {
  // Lines past the 60th carry values that would land in the next row of the table (Y after X)
  // if they were stored.
  Lines lines = CageText(60, 60);
  for (int k = 0; k < 5; ++k) {
    lines.push_back("C  -1  -2  -3");
    lines.push_back(">  -4  -5  -6");
  }
  Tables tables;
  const CoordinateReading reading = tables.Read(lines);
  EXPECT_EQ(reading.atomLines, 65);
  EXPECT_EQ(reading.uncertaintyLines, 65);
  ExpectCageAtoms(tables.atoms, 1, 60);
  ExpectCageErrors(tables.errors, 1, 60);
  EXPECT_EQ(CoordinateNotices(reading), Notices{TooManyNotice});
}

TEST(ReadCoordinates, Files) {
  const struct {
    const char* file;
    int atoms;  // atoms of the test cage the file holds, with their uncertainties
    Notices notices;
  } cases[] = {
      {"reader_usual_crlf.xyz", 60, {}},
      {"reader_short_crlf.xyz", 3, {CountNotice(3, 3)}},
      {"reader_empty_comment.xyz", 0, {CountNotice(0, 0)}},
      // Single and trailing spaces, LF breaks; an atom line after the empty line is not read.
      {"reader_spaces.xyz", 2, {CountNotice(2, 2)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Tables tables;
    const CoordinateReading reading =
        tables.Read(DecodeTextLines(ReadFileBytes(std::string(OVALON_TEST_DATA "/") + c.file)));
    EXPECT_FALSE(reading.formatError);
    EXPECT_EQ(CoordinateNotices(reading), c.notices);
    ExpectCageAtoms(tables.atoms, 1, c.atoms);
    ExpectCageErrors(tables.errors, 1, c.atoms);
    ExpectUntouched(tables.atoms, c.atoms + 1, 60);
    ExpectUntouched(tables.errors, c.atoms + 1, 60);
  }
}

}  // namespace
}  // namespace ovalon
