#include "QK_TTree.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

QK_TTree ServerTree() {
  QK_TTree tree;
  tree.SetPath("Servers/Local/Type", "file");
  tree.SetPath("Servers/Local/Port", 8080);
  tree.SetPath("Name", "main");
  return tree;
}

TEST(QKTTreeTest, GetFollowsPathsWithOrWithoutLeadingSlash) {
  QK_TTree tree = ServerTree();
  EXPECT_EQ(tree.Get("Servers/Local/Type").AsString().str(), "file");
  EXPECT_EQ(tree.Get("/Servers/Local/Port").AsInt(), 8080);
  EXPECT_EQ(tree["Name"].AsString().str(), "main");
  EXPECT_TRUE(tree.Get("Servers").Is(QK_TAny::Kind::Tree));
  EXPECT_EQ(tree.Get("Servers.Local.Type", '.').AsString().str(), "file");
}

TEST(QKTTreeTest, MissingStepThrowsNoMatchingTreeKeyWithThePath) {
  const QK_TTree tree = ServerTree();
  try {
    tree.Get("/Servers/Remote/Type");
    FAIL() << "a missing key was found";
  } catch (const QK_ENoMatchingTreeKey& error) {
    EXPECT_EQ(error.QK_Data(), QK_TAny("/Servers/Remote/Type"));
    EXPECT_TRUE(error.QK_Message().Contains("Remote")) << error.QK_Message();
    EXPECT_STREQ(error.ClassName(), "QK_ENoMatchingTreeKey");
  }
  EXPECT_THROW(tree.Get(""), QK_ENoMatchingTreeKey);
}

TEST(QKTTreeTest, StepThroughAValueThrowsEntryIsNotASubtree) {
  QK_TTree tree = ServerTree();
  try {
    tree.Get("Name/First");
    FAIL() << "stepped through a value";
  } catch (const QK_EEntryIsNotASubtree& error) {
    EXPECT_EQ(error.QK_Data(), QK_TAny("Name/First"));
  }
  EXPECT_THROW(tree.SetPath("Servers/Local/Type/Sub", 1), QK_EEntryIsNotASubtree);
  EXPECT_EQ(tree.Get("Servers/Local/Type").AsString().str(), "file");
}

TEST(QKTTreeTest, HasKeyAnswersWithoutThrowing) {
  QK_TTree tree = ServerTree();
  EXPECT_TRUE(tree.HasKey("Servers/Local"));
  EXPECT_TRUE(tree.HasKey("/Servers/Local/Port"));
  EXPECT_FALSE(tree.HasKey("Servers/Remote"));
  EXPECT_FALSE(tree.HasKey("Name/First"));
  EXPECT_FALSE(tree.HasKey(""));
}

TEST(QKTTreeTest, SetPathCreatesSubtreesAndReplacesValues) {
  QK_TTree tree;
  tree.SetPath("/a/b/c", 1);
  tree.SetPath("a/b/c", 2);
  tree.SetPath("a/d", "x");
  EXPECT_EQ(tree.Get("a/b/c").AsInt(), 2);
  EXPECT_EQ(tree.Get("a").AsTree().Size(), 2u);
  tree.Get("a/d") = 5;
  EXPECT_EQ(tree.Get("a/d").AsInt(), 5);
}

TEST(QKTTreeTest, IterationFollowsInsertionOrder) {
  QK_TTree tree;
  for (const char* key : {"zeta", "alpha", "mid", "beta"}) tree.Set(key, key);
  tree.Set("alpha", 1);  // replacing keeps the place
  tree.Remove("mid");
  std::vector<std::string> keys;
  for (const auto& entry : tree) keys.push_back(entry.first.str());
  EXPECT_EQ(keys, (std::vector<std::string>{"zeta", "alpha", "beta"}));
  EXPECT_EQ(tree.Get("alpha").AsInt(), 1);
}

}  // namespace
