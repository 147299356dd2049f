// This machine's name.
#include "QK_TSocket.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

namespace {

TEST(QKSocketTest, TheHostNameIsTheSystemsAndTheQualifiedOneExtendsIt) {
  char name[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
  const QK_TString plain = QK_TSocket::HostName(false);
  EXPECT_EQ(plain, QK_TString(name[0] != '\0' ? name : "localhost"));
  const QK_TString qualified = QK_TSocket::HostName(true);
  EXPECT_FALSE(qualified.Empty());
  EXPECT_FALSE(qualified.Contains(" "));
}

}  // namespace
