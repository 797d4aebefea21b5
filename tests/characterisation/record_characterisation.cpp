// Records the results of the engine on the characterisation corpus.
//
// Usage: ovalon-record-characterisation FILE   writes the record that characterisation_test
//                                              compares with (tests/characterisation/engine.txt)
//        ovalon-record-characterisation --case N
//                                              prints every value of case N in full, for
//                                              comparing two builds by hand
//
// The record guards identity: write it again only for a change that is meant to change results.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "core/fpenvironment.h"
#include "tests/characterisation/cages.h"
#include "tests/characterisation/characterise.h"
#include "tests/characterisation/recordfile.h"

using namespace ovalon::characterisation;

int main(int argc, char** argv) {
  ovalon::SetExtendedFloatingPointEnvironment();
  const std::vector<Cage> cages = BuildCages();
  if (argc == 3 && std::string(argv[1]) == "--case") {
    const int index = std::stoi(argv[2]);
    if (index < 0 || index >= static_cast<int>(cages.size())) {
      std::fprintf(stderr, "no case %d: the corpus has %zu\n", index, cages.size());
      return 2;
    }
    std::cout << "case " << index << ' ' << cages[index].category << '\n';
    for (const Quantity& q : Characterise(cages[index])) {
      std::cout << q.name << ' ' << q.values.size() << '\n';
      for (const std::string& value : q.values) std::cout << "  " << value << '\n';
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE | --case N\n", argv[0]);
    return 2;
  }
  std::vector<std::vector<Quantity>> results;
  for (const Cage& cage : cages) results.push_back(Characterise(cage));
  std::ofstream out(argv[1], std::ios::binary);
  WriteRecord(out, cages, results);
  out.close();
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
