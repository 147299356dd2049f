// The base library's network facts: the name of this machine.
#pragma once

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "QK_TString.h"

class QK_TSocket {
 public:
  // This machine's host name; with `fullyQualified` the canonical name the
  // resolver gives it (the plain name when it gives none). "localhost" when
  // the system has no name for the machine.
  static QK_TString HostName(bool fullyQualified) {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return QK_TString("localhost");
    if (!fullyQualified) return QK_TString(name);
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return QK_TString(name);
    QK_TString canonical =
        found->ai_canonname != nullptr ? QK_TString(found->ai_canonname) : QK_TString(name);
    freeaddrinfo(found);
    return canonical;
  }
};
