// The shared layout records: nesting-type keywords, the names the look-up
// handler answers for layout output names, and copies of a layout record.
#include <gtest/gtest.h>

#include "DRAVOInterface.h"
#include "TName.h"

namespace {

using CAD::DRAVOInterface;

TEST(NestingTypeCodeTest, CodesOneToFiveGiveTheirKeywordAndAnyOtherTextComesBack) {
  EXPECT_EQ(DRAVOInterface::GetNestingTypeCode("1"), QK_TString("StraightNest"));
  EXPECT_EQ(DRAVOInterface::GetNestingTypeCode("3"), QK_TString("ReverseSecondCol"));
  EXPECT_EQ(DRAVOInterface::GetNestingTypeCode("5"), QK_TString("ReverseSecondColAlign"));
  EXPECT_EQ(DRAVOInterface::GetNestingTypeCode("6"), QK_TString("6"));
  EXPECT_EQ(DRAVOInterface::GetNestingTypeCode(""), QK_TString(""));
}

TEST(LayoutLookupTest, TheResolverFillsTheThreeLayoutNamesFromTheHandler) {
  CAD::NTLookupHandler handler;
  handler.nestingType = "ReverseSecondRow";
  handler.grainDirection = 2;
  handler.formatClass = "Carton";
  TName resolver;
  for (const char* name : {"nestingtype", "graindirection", "formatclass"}) {
    resolver.SetLookupHandler(name, &handler, true);
  }
  QK_TString resolved;
  ASSERT_TRUE(resolver.Resolve("<<formatclass/>>_<<nestingtype/>>_<<graindirection/>>.MFG", resolved));
  EXPECT_EQ(resolved, QK_TString("Carton_ReverseSecondRow_2.MFG"));

  QK_TString value("untouched");
  EXPECT_FALSE(handler.Lookup("nestingtypes", "", resolver, value));
  EXPECT_EQ(value, QK_TString("untouched"));
  for (const char* name : {"nestingtype", "graindirection", "formatclass"})
    resolver.RemoveLookupHandler(name);
}

TEST(LayoutRecordTest, ACopyHasTheLimitFlagsAndAMapOfItsOwn) {
  CAD::LayoutNestingInfo record;
  EXPECT_EQ(record.allocationStrategy, CAD::AllocationStrategy::kUnset);
  EXPECT_FALSE(record.exceedsMaxX || record.exceedsMaxY || record.belowMinX || record.belowMinY);
  record.parameters["Print Item"] = "Lid";
  record.exceedsMaxY = true;
  record.belowMinX = true;
  CAD::LayoutNestingInfo copy(record);
  EXPECT_TRUE(copy.exceedsMaxY && copy.belowMinX);
  EXPECT_FALSE(copy.exceedsMaxX || copy.belowMinY);
  copy.parameters["Print Item"] = "Base";
  copy.parameters["Shrink Sheet Size"] = "Both";
  EXPECT_EQ(record.parameters, (CAD::StringMap{{"Print Item", "Lid"}}));
}

}  // namespace
