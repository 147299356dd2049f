// Insertion-ordered key/value entries shared by QK_TDict and QK_TTree.
#pragma once

#include <utility>
#include <vector>

#include "QK_TAny.h"

class QK_TEntries {
 public:
  using Entry = std::pair<QK_TString, QK_TAny>;
  using const_iterator = std::vector<Entry>::const_iterator;
  using iterator = std::vector<Entry>::iterator;

  // Replaces the value of an existing key, else appends a new entry.
  void Set(const QK_TString& key, QK_TAny value);
  bool Has(const QK_TString& key) const { return Find(key) != nullptr; }
  const QK_TAny* Find(const QK_TString& key) const;
  QK_TAny* Find(const QK_TString& key);
  bool Remove(const QK_TString& key);
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }

  friend bool operator==(const QK_TEntries& a, const QK_TEntries& b) { return a.entries_ == b.entries_; }

 private:
  std::vector<Entry> entries_;
};
