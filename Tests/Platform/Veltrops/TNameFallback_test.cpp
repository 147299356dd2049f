// The fallback handler: asked only for names nothing else answers.
#include <gtest/gtest.h>

#include <vector>

#include "TName.h"

namespace {

class Recording : public TNameLookupHandler {
 public:
  bool Lookup(const QK_TString& name, const QK_TString&, TName&, QK_TString& value) override {
    asked.push_back(name.str());
    if (name != QK_TString("known")) return false;
    value = "from fallback";
    return true;
  }
  std::vector<std::string> asked;
};

TEST(TNameFallbackTest, OnlyNamesWithoutValueOrHandlerReachTheFallback) {
  TName names;
  Recording fallback;
  names.SetFallbackHandler(&fallback);
  names.Define("defined", "mine");
  QK_TString text;
  ASSERT_TRUE(names.Resolve("<defined/> <known/>", text));
  EXPECT_EQ(text, QK_TString("mine from fallback"));
  EXPECT_FALSE(names.Resolve("<missing/>", text));
  EXPECT_EQ(fallback.asked, (std::vector<std::string>{"known", "missing"}));

  names.SetFallbackHandler(nullptr);
  EXPECT_FALSE(names.Resolve("<known/>", text));
}

}  // namespace
