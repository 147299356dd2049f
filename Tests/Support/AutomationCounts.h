// Test helper: what the automation layer holds at one moment (entered
// apartments, live automation objects and strings, undeleted framework
// exceptions), to check that a test leaves nothing of it behind.
//
//   const AutomationCounts before;
//   ... code under test ...
//   before.ExpectUnchanged();
#pragma once

#include <gtest/gtest.h>

#include "AfxDisp.h"
#include "OleAuto.h"

struct AutomationCounts {
  void ExpectUnchanged() const {
    const AutomationCounts now;
    EXPECT_EQ(now.apartments, apartments) << "apartments entered";
    EXPECT_EQ(now.objects, objects) << "automation objects alive";
    EXPECT_EQ(now.strings, strings) << "automation strings alive";
    EXPECT_EQ(now.exceptions, exceptions) << "framework exceptions not deleted";
  }

  int apartments = OLE_ApartmentCount();
  long objects = OLE_TDispatchBase::LiveObjectCount();
  long strings = OLE_LiveStringCount();
  long exceptions = CException::LiveCount();
};
