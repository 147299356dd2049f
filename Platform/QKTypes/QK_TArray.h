// Base library array and list of values.
#pragma once

#include <vector>

#include "QK_TAny.h"

class QK_TArray {
 public:
  using const_iterator = std::vector<QK_TAny>::const_iterator;

  void Append(QK_TAny value) { items_.push_back(std::move(value)); }
  std::size_t Size() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // Bounds-checked access; an index past the end throws QK_EException.
  const QK_TAny& At(std::size_t index) const;
  const QK_TAny& operator[](std::size_t index) const { return At(index); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

  friend bool operator==(const QK_TArray& a, const QK_TArray& b) { return a.items_ == b.items_; }

 private:
  std::vector<QK_TAny> items_;
};

// The list is the array under another name: the exception stack trace and
// other sequences that are only appended to and walked.
class QK_TList : public QK_TArray {};
