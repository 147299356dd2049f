#include "QK_TEntries.h"

#include "QK_TArray.h"
#include "QK_TDict.h"
#include "QK_TTree.h"

void QK_TEntries::Set(const QK_TString& key, QK_TAny value) {
  if (QK_TAny* existing = Find(key)) {
    *existing = std::move(value);
    return;
  }
  entries_.emplace_back(key, std::move(value));
}

const QK_TAny* QK_TEntries::Find(const QK_TString& key) const {
  for (const Entry& entry : entries_) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

QK_TAny* QK_TEntries::Find(const QK_TString& key) {
  for (Entry& entry : entries_) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

bool QK_TEntries::Remove(const QK_TString& key) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->first == key) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

const QK_TAny& QK_TDict::Get(const QK_TString& key) const {
  const QK_TAny* value = Find(key);
  if (value == nullptr) {
    QK_THROW(QK_EException(QK_TString::Format("QK_TDict: no entry \"%s\"", key.c_str())));
  }
  return *value;
}

QK_TAny& QK_TDict::operator[](const QK_TString& key) {
  if (QK_TAny* value = Find(key)) return *value;
  Set(key, QK_TAny());
  return *Find(key);
}

const QK_TAny& QK_TArray::At(std::size_t index) const {
  if (index >= items_.size()) {
    QK_THROW(QK_EException(QK_TString::Format("QK_TArray: index %zu past the end (%zu items)",
                                              index, items_.size())));
  }
  return items_[index];
}

namespace {

std::vector<QK_TString> SplitPath(const QK_TString& path, char separator) {
  std::vector<QK_TString> steps;
  std::string current;
  for (char c : path.str()) {
    if (c == separator) {
      if (!current.empty()) steps.emplace_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) steps.emplace_back(current);
  return steps;
}

}  // namespace

QK_TAny& QK_TTree::Get(const QK_TString& path, char separator) {
  std::vector<QK_TString> steps = SplitPath(path, separator);
  if (steps.empty()) QK_THROW(QK_ENoMatchingTreeKey(QK_TString("empty tree path"), QK_TAny(path)));
  QK_TTree* tree = this;
  for (std::size_t i = 0;; ++i) {
    QK_TAny* value = tree->Find(steps[i]);
    if (value == nullptr) {
      QK_THROW(QK_ENoMatchingTreeKey(QK_TString::Format("no tree entry \"%s\"", steps[i].c_str()),
                                     QK_TAny(path)));
    }
    if (i + 1 == steps.size()) return *value;
    if (!value->Is(QK_TAny::Kind::Tree)) {
      QK_THROW(QK_EEntryIsNotASubtree(
          QK_TString::Format("tree entry \"%s\" is not a subtree", steps[i].c_str()), QK_TAny(path)));
    }
    tree = &value->AsTree();
  }
}

const QK_TAny& QK_TTree::Get(const QK_TString& path, char separator) const {
  return const_cast<QK_TTree*>(this)->Get(path, separator);
}

bool QK_TTree::HasKey(const QK_TString& path, char separator) const {
  std::vector<QK_TString> steps = SplitPath(path, separator);
  if (steps.empty()) return false;
  const QK_TTree* tree = this;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const QK_TAny* value = tree->Find(steps[i]);
    if (value == nullptr) return false;
    if (i + 1 == steps.size()) return true;
    if (!value->Is(QK_TAny::Kind::Tree)) return false;
    tree = &value->AsTree();
  }
  return false;
}

void QK_TTree::SetPath(const QK_TString& path, QK_TAny value, char separator) {
  std::vector<QK_TString> steps = SplitPath(path, separator);
  if (steps.empty()) QK_THROW(QK_ENoMatchingTreeKey(QK_TString("empty tree path"), QK_TAny(path)));
  QK_TTree* tree = this;
  for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
    QK_TAny* next = tree->Find(steps[i]);
    if (next == nullptr) {
      tree->Set(steps[i], QK_TAny(QK_TTree()));
      next = tree->Find(steps[i]);
    }
    if (!next->Is(QK_TAny::Kind::Tree)) {
      QK_THROW(QK_EEntryIsNotASubtree(
          QK_TString::Format("tree entry \"%s\" is not a subtree", steps[i].c_str()), QK_TAny(path)));
    }
    tree = &next->AsTree();
  }
  tree->Set(steps.back(), std::move(value));
}
