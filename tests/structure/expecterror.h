#pragma once
// Checking that a reader refuses its input with a StructureError whose message holds a text.

#include <gtest/gtest.h>

#include <string>

#include "structure/structure.h"

namespace ovalon::test {

template <typename Call>
void ExpectStructureError(Call call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error, expected one with: " << message;
  } catch (const StructureError& e) {
    EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
  }
}

}  // namespace ovalon::test
