#include "QK_TThread.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

void QK_TThread::CurrentUser(QK_TString& domain, QK_TString& user) {
  domain = QK_TString();
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    user = QK_TString(found->pw_name);
  } else {
    user = QK_TString::Format("uid %u", static_cast<unsigned int>(geteuid()));
  }
}
