// The two parts of a file name that the operations name outputs by: the
// stem and the extension, cut at the last "." of the text. The text may be
// a path; a caller whose folders may hold a "." passes the file name alone.
#pragma once

#include "QK_TString.h"

namespace CAD {

// The text before its last "." (all of it when there is none).
inline QK_TString StemOf(const QK_TString& name) {
  const std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos ? name : name.Substring(0, dot);
}

// The text from its last "." on, the "." included (empty when there is none).
inline QK_TString ExtensionOf(const QK_TString& name) {
  const std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos ? QK_TString() : name.Substring(dot);
}

}  // namespace CAD
