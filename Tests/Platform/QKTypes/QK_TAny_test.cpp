#include "QK_TAny.h"

#include <gtest/gtest.h>

#include "QK_EException.h"
#include "QK_TArray.h"
#include "QK_TDict.h"
#include "QK_TTree.h"
#include "QK_TURL.h"

namespace {

using Kind = QK_TAny::Kind;

TEST(QKTAnyTest, KindFollowsTheStoredValue) {
  EXPECT_TRUE(QK_TAny().IsIllegal());
  EXPECT_EQ(QK_TAny(true).GetKind(), Kind::Bool);
  EXPECT_EQ(QK_TAny(7).GetKind(), Kind::Int);
  EXPECT_EQ(QK_TAny(7ULL).AsInt(), 7);
  EXPECT_EQ(QK_TAny(2.5).GetKind(), Kind::Double);
  EXPECT_EQ(QK_TAny("text").GetKind(), Kind::String);
  EXPECT_EQ(QK_TAny(L"\u20AC").AsString().str(), "\xE2\x82\xAC");
  EXPECT_EQ(QK_TAny(QK_TURL(QK_TString("/tmp/x"))).AsURL().LocalName().str(), "/tmp/x");
  EXPECT_EQ(QK_TAny(QK_TDict()).GetKind(), Kind::Dict);
  EXPECT_EQ(QK_TAny(QK_TArray()).GetKind(), Kind::Array);
  EXPECT_EQ(QK_TAny(QK_TTree()).GetKind(), Kind::Tree);
  EXPECT_EQ(QK_TAny(QK_TList()).GetKind(), Kind::List);
  EXPECT_DOUBLE_EQ(QK_TAny(3).AsDouble(), 3.0);
}

TEST(QKTAnyTest, WrongKindAccessNamesBothKinds) {
  try {
    QK_TAny(QK_TString("five")).AsInt();
    FAIL() << "AsInt of a string returned";
  } catch (const QK_EException& error) {
    EXPECT_TRUE(error.QK_Message().Contains("string")) << error.QK_Message();
    EXPECT_TRUE(error.QK_Message().Contains("int")) << error.QK_Message();
  }
  EXPECT_THROW(QK_TAny().AsString(), QK_EException);
  EXPECT_THROW(QK_TAny(1).AsTree(), QK_EException);
  EXPECT_THROW(QK_TAny(true).AsDouble(), QK_EException);
}

TEST(QKTAnyTest, IllegalIsTheDefaultValue) {
  EXPECT_EQ(QK_TAny(), QK_TAny::Illegal);
  EXPECT_NE(QK_TAny(0), QK_TAny::Illegal);
  EXPECT_NE(QK_TAny(""), QK_TAny::Illegal);
  EXPECT_EQ(QK_TAny::Illegal.ToText().str(), "");
}

TEST(QKTAnyTest, EqualityComparesKindAndContent) {
  EXPECT_EQ(QK_TAny(1), QK_TAny(1L));
  EXPECT_NE(QK_TAny(1), QK_TAny(1.0));
  EXPECT_NE(QK_TAny(1), QK_TAny(true));
  EXPECT_NE(QK_TAny("1"), QK_TAny(1));

  QK_TTree a;
  a.SetPath("x/y", 1);
  QK_TTree b;
  b.SetPath("x/y", 1);
  EXPECT_EQ(QK_TAny(a), QK_TAny(b));
  b.SetPath("x/y", 2);
  EXPECT_NE(QK_TAny(a), QK_TAny(b));

  QK_TDict dict;
  dict["k"] = 1;
  EXPECT_NE(QK_TAny(dict), QK_TAny(QK_TDict()));
  QK_TArray items;
  items.Append("a");
  QK_TList list;
  list.Append("a");
  EXPECT_NE(QK_TAny(items), QK_TAny(list));
}

TEST(QKTAnyTest, CopiesAreDeep) {
  QK_TTree tree;
  tree.SetPath("Servers/Local/Type", "file");
  QK_TAny original(tree);
  QK_TAny copy = original;
  copy.AsTree().SetPath("Servers/Local/Type", "ftp");
  copy.AsTree().SetPath("Servers/Remote", 1);
  EXPECT_EQ(original.AsTree().Get("Servers/Local/Type").AsString().str(), "file");
  EXPECT_FALSE(original.AsTree().HasKey("Servers/Remote"));

  QK_TAny assigned;
  assigned = original;
  assigned.AsTree().Remove("Servers");
  EXPECT_TRUE(original.AsTree().HasKey("Servers/Local"));
}

TEST(QKTAnyTest, MovedFromValueIsTheNoValueMarker) {
  QK_TTree tree;
  tree.SetPath("a/b", 1);
  QK_TAny source(tree);
  QK_TAny target(std::move(source));
  EXPECT_TRUE(source.IsIllegal());  // NOLINT(bugprone-use-after-move)
  QK_TAny copy(source);              // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(copy, QK_TAny::Illegal);
  source = std::move(target);
  EXPECT_TRUE(target.IsIllegal());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(source.AsTree().Get("a/b").AsInt(), 1);
}

TEST(QKTAnyTest, ContainersWriteReadableText) {
  QK_TDict dict;
  dict["name"] = "a \"b\"";
  QK_TArray items;
  items.Append(1);
  items.Append(false);
  dict["items"] = items;
  EXPECT_EQ(QK_TAny(dict).ToText().str(), "{\"name\": \"a \\\"b\\\"\", \"items\": [1, false]}");
}

TEST(QKTAnyTest, ArrayAndDictAccessErrorsThrow) {
  QK_TArray items;
  items.Append(1);
  EXPECT_EQ(items[0], QK_TAny(1));
  EXPECT_THROW(items.At(1), QK_EException);
  QK_TDict dict;
  EXPECT_THROW(dict.Get("missing"), QK_EException);
}

}  // namespace
