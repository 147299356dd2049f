#include "TName.h"

#include <gtest/gtest.h>

namespace {

// Answers `answer` (nothing when null) and keeps the parameters it was given.
struct FixedHandler : TNameLookupHandler {
  explicit FixedHandler(const char* value) : answer(value) {}
  bool Lookup(const QK_TString&, const QK_TString& parameters, TName&, QK_TString& value) override {
    asked = parameters;
    if (answer) value = answer;
    return answer != nullptr;
  }
  const char* answer;
  QK_TString asked = "(not asked)";
};

QK_TString Resolved(TName& names, const char* text) {
  QK_TString result("(unresolved)");
  names.Resolve(text, result);
  return result;
}

TEST(TNameTest, ReplacesReferencesAndKeepsOtherText) {
  TName names;
  names.Define("job.id-1:x", "J7");
  names.Define("nested", "<job.id-1:x/>");
  EXPECT_EQ(Resolved(names, "a <job.id-1:x/> b <<job.id-1:x/>> c <job.id-1:x ignored/>"), "a J7 b J7 c J7");
  EXPECT_EQ(Resolved(names, "a < b, <b>x</b>, <>, <a/b/>"), "a < b, <b>x</b>, <>, <a/b/>");
  EXPECT_EQ(Resolved(names, "<nested/>"), "<job.id-1:x/>");
  EXPECT_EQ(Resolved(names, ""), "");
  EXPECT_EQ(Resolved(names, "ok <Job.id-1:x/>"), "(unresolved)");  // names are case-sensitive
}

TEST(TNameTest, HandlersComeFirstAndFallBackToDefinedValues) {
  TName names;
  FixedHandler date("2024-05-01"), other("other"), silent(nullptr);
  names.SetLookupHandler("date", &date, false);
  names.SetLookupHandler("date", &other, false);  // the installed one stays
  EXPECT_EQ(Resolved(names, "<<date yyyy-mm-dd/>>"), "2024-05-01");
  EXPECT_EQ(date.asked, "yyyy-mm-dd");
  names.SetLookupHandler("date", &other, true);
  EXPECT_EQ(Resolved(names, "<date/>"), "other");
  names.RemoveLookupHandler("date");
  EXPECT_FALSE(names.IsDefined("date"));

  names.Define("user", "anna");
  names.SetLookupHandler("user", &silent, false);
  EXPECT_EQ(Resolved(names, "<user/>"), "anna");
  EXPECT_EQ(silent.asked, "");
}

}  // namespace
