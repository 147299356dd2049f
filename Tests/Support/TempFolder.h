// Test helper: a fresh folder under the test temporary directory, removed
// with everything in it when the object goes (TemporaryFolder.h). Every
// test that needs files of its own makes them here; a folder that cannot be
// made fails the test.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "TemporaryFolder.h"

class TempFolder : public TemporaryFolder {
 public:
  TempFolder() : TemporaryFolder(::testing::TempDir() + "shapejob-test-") {
    if (path().empty()) ADD_FAILURE() << "cannot create " << Error();
  }
};
