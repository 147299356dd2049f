// Reading the attributes of the stand-in's file elements: optional numbers
// and codes, each refused with the element's line number when it is not
// valid. A missing attribute leaves the value as it is.
#pragma once

#include <vector>

#include "Base/FolvaneCADXml.h"

namespace FolvaneCAD {

// "line N: " and the reason.
QK_TString AtLine(const QK_TXmlElement& element, const QK_TString& reason);

// Reads an optional whole-number attribute that must be one of `allowed`.
bool TakeCode(AttributeReader& reader, const QK_TXmlElement& element, const char* name,
              std::vector<long> allowed, int* value, QK_TString* error);
bool TakeNumber(AttributeReader& reader, const QK_TXmlElement& element, const char* name, double* value,
                QK_TString* error);
// A whole number from `low` to `high`; anything else is refused, since the
// value counts things (layers, ups) that the stand-in loops over.
bool TakeWholeNumber(AttributeReader& reader, const QK_TXmlElement& element, const char* name, int low, int high,
                     int* value, QK_TString* error);

}  // namespace FolvaneCAD
