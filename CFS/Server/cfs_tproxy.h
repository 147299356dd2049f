// Client of the workflow's configuration server (service "CFS").
//
// Get answers a slash path with the value stored there: a QK_TTree for a
// subtree or a single value. Paths below a registered root are answered from
// a cache that fetches the root's whole subtree once; every other path goes
// to the server directly.
#pragma once

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "ExceptionScaffold.h"
#include "QKM_TClient.h"
#include "QK_TDict.h"
#include "QK_TTree.h"

// Family root of the configuration failures; never thrown itself.
class CFS_EConfigException : public QK_EException {
  SHAPEJOB_EXCEPTION_CLASS(CFS_EConfigException, QK_EException, "CFS_EConfigException")
};
SHAPEJOB_REGISTER_EXCEPTION(CFS_EConfigException)

// The path does not lead to a value. Built with an empty message and the
// full path asked for as data.
class CFS_EIllegalPath : public CFS_EConfigException {
  SHAPEJOB_EXCEPTION_CLASS(CFS_EIllegalPath, CFS_EConfigException, "CFS_EIllegalPath")
};
SHAPEJOB_REGISTER_EXCEPTION(CFS_EIllegalPath)

// The value at the path is not set.
class CFS_EValueNotSet : public CFS_EConfigException {
  SHAPEJOB_EXCEPTION_CLASS(CFS_EValueNotSet, CFS_EConfigException, "CFS_EValueNotSet")
};
SHAPEJOB_REGISTER_EXCEPTION(CFS_EValueNotSet)

class CFS_TProxy : public QKM_TClient {
 public:
  // The server address is `address` when given and not empty, else the
  // value of QK_SERVER, else the empty text.
  explicit CFS_TProxy(const char* address = nullptr) {
    const char* chosen = (address != nullptr && *address != '\0') ? address : std::getenv("QK_SERVER");
    SetConnectionAddress(QK_TString(chosen != nullptr ? chosen : ""), QK_TString("CFS"), 0,
                         static_cast<TLocationMode>(0));
  }

  // Registers a root whose whole subtree is fetched once and cached.
  void AddRoot(const QK_TString& root) {
    std::lock_guard<std::mutex> lock(cacheMutex);
    roots.insert(WithoutLeadingSlash(root));
  }

  // The value at `path` (a copy). Unless `direct`, a cached answer is used
  // when the path lies below a root; otherwise the server is asked.
  QK_TAny Get(const QK_TString& path, bool direct = false, bool zipped = false) {
    if (!direct) {
      const QK_TAny& cached = Lookup(path, zipped);
      if (cached != QK_TAny::Illegal) return cached;
    }
    return Request(ReadRequest(path, direct, zipped));
  }

  // The cached value at `path`, or QK_TAny::Illegal when the path lies below
  // no root. The reference stays valid while the client lives.
  const QK_TAny& Lookup(const QK_TString& path, bool zipped = false) {
    QK_TString trimmed = WithoutLeadingSlash(path);
    std::lock_guard<std::mutex> lock(cacheMutex);
    QK_TString root = FindRoot(trimmed);
    if (root.Empty()) return QK_TAny::Illegal;

    auto cached = cache.find(root);
    if (cached == cache.end()) {
      QK_TAny value;
      try {
        value = Request(ReadRequest(root, false, zipped));
      } catch (const CFS_EValueNotSet&) {
        value = QK_TAny();
      }
      cached = cache.emplace(root, std::move(value)).first;
    }
    if (cached->second == QK_TAny::Illegal) QK_THROW(CFS_EValueNotSet());

    QK_TString rest = trimmed.Substring(root.Length());
    if (rest.StartsWith("/")) rest = rest.Substring(1);
    if (rest.StartsWith("/")) rest = rest.Substring(1);
    if (rest.Empty()) return cached->second;

    if (!cached->second.Is(QK_TAny::Kind::Tree)) QK_THROW(CFS_EIllegalPath(QK_TString::sEmpty, QK_TAny(path)));
    const QK_TAny* entry = nullptr;
    try {
      entry = &cached->second.AsTree().Get(rest, '/');
    } catch (const QK_EEntryIsNotASubtree&) {
      QK_THROW(CFS_EIllegalPath(QK_TString::sEmpty, QK_TAny(path)));
    } catch (const QK_ENoMatchingTreeKey&) {
      QK_THROW(CFS_EIllegalPath(QK_TString::sEmpty, QK_TAny(path)));
    }
    if (*entry == QK_TAny::Illegal) QK_THROW(CFS_EValueNotSet());
    return *entry;
  }

  // The longest leading part of `path`, cut at a "/", that is a registered
  // root; the empty text when there is none. Takes no lock.
  QK_TString FindRoot(const QK_TString& path) const {
    QK_TString candidate = WithoutLeadingSlash(path);
    for (;;) {
      if (roots.count(candidate) != 0) return candidate;
      std::size_t slash = candidate.FindLast('/');
      if (slash == QK_TString::npos) return QK_TString();
      candidate = candidate.Substring(0, slash);
    }
  }

 private:
  static QK_TString WithoutLeadingSlash(const QK_TString& path) {
    return path.StartsWith("/") ? path.Substring(1) : path;
  }

  static QK_TDict ReadRequest(const QK_TString& path, bool direct, bool zipped) {
    QK_TDict request;
    request.Set("M", QK_TAny("[]"));
    request.Set("P1", QK_TAny(path));
    request.Set("P2", QK_TAny(direct));
    if (zipped) request.Set("PZIPPED", QK_TAny(true));
    return request;
  }

  std::set<QK_TString> roots;
  std::map<QK_TString, QK_TAny> cache;
  std::mutex cacheMutex;
};
