// The layout object of the CAD stand-in ("Layout" in scenario files): the
// main control hands out a new one on each LayoutObject call. It nests one-
// ups on the manufacturing file open in that control: both hold the same
// session (Model/FolvaneCADSession.h), so the object always acts on the
// document open at the moment, also after the control opened another one,
// and either may be released first. It turns the automation arguments into
// the nesting operations of Model/FolvaneCADNesting.h; the geometry and its
// rules are described there, the file format in Model/FolvaneCADLayout.h.
//
// Operations, the same dispatch ids on both flavours:
//   1 SetSheetSize(width, height, left, right, bottom, top)   status
//   2 AddOneup(reference)   index from 1; 0 on failure
//   3 QueryOneup43(index)   columns that fit; 0 on failure
//   4 QueryOneup44(index)   rows that fit; 0 on failure
//   5 PlaceOneupGrid(index, print item, rows, columns)   status
//   6 InvokeMethod51(...), 13 LayoutValue46(n), 14 LayoutValue47(n): 0
//   7 SetLayoutOption(vertical, horizontal)   status
//   8 Reset()   drops the one-ups and the options
//   9 ErrorText()   the last error text
//  10 SetNestData(code, gap x, gap y, flag)   status; the flag is not used
//  12 PositionOneups(position 0 to 8)   status
//  15 PlaceOneupGridAlt(index, print item, rows, columns)   status, with the
//     rotation last set
//  16 SetRotation(degrees)   status
//
// AddOneup takes a path, a "file:" URL or a design reference "@project:name"
// / "@project:version:name" (resolved as the main control's OpenDesign does)
// of a design file. Statuses: 0 done, 2 refused; a refusal sets the error
// text. Without a manufacturing file open every operation but 6, 9, 13 and
// 14 is refused with "No manufacturing file is open". Statuses and the
// values of AddOneup and QueryOneup43/44 can be forced by a scenario file
// (Automation/FolvaneCADScenario.h).
#pragma once

#include <memory>

#include "Automation/FolvaneCADStandInObject.h"
#include "Model/FolvaneCADSession.h"

namespace FolvaneCAD {

const DispatchTable& LayoutObjectTable();

class LayoutObject : public StandInObject {
 public:
  LayoutObject(std::shared_ptr<Session> session, Flavour flavour);

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override;
  std::optional<Answer> Refusal(const DispatchRow& row) override;
  void SetLastError(const QK_TString& text) override { lastError_ = text; }

 private:
  ~LayoutObject() override = default;

  // The open manufacturing file's layout, or null.
  Layout* OpenLayout() const;
  Answer AddOneup(Layout* layout, const Arguments& args);
  Answer Fit(Layout* layout, const Arguments& args, bool rows);
  Answer Place(Layout* layout, const Arguments& args, bool alternative);
  // Status 0, or 2 after setting the error text.
  Answer Outcome(bool done, const QK_TString& error);

  std::shared_ptr<Session> session_;
  QK_TString lastError_;
};

}  // namespace FolvaneCAD
