// The folder where the CAD stand-in finds its shared data: the Defaults
// folder of a conventional control, the login location of an enterprise one.
//
//   <root>/boards.xml   board catalogue:
//                       <Boards><Board code="FC-350" description="..."/></Boards>
//                       (no file: every non-empty board code is accepted)
//   <root>/users.xml    users who may log in:
//                       <Users><User name="anna" password="..."/></Users>
//                       (no file: every non-empty user name is accepted)
//   <root>/projects/<project>/<name>.kpx            designs of "@project:name"
//   <root>/projects/<project>/<name>-v<version>.kpx "@project:version:name",
//                       falling back to <name>.kpx when that version is absent
//
// Board codes and user names compare without regard to case, passwords
// exactly.
#pragma once

#include "QK_TString.h"

namespace FolvaneCAD {

class DataRoot {
 public:
  DataRoot() = default;
  explicit DataRoot(QK_TString folder) : folder_(std::move(folder)) {}

  bool Empty() const { return folder_.Empty(); }
  const QK_TString& folder() const { return folder_; }

  enum class Board { kKnown, kUnknown, kCatalogueBroken };
  // Looks the code up; a known code gives the catalogue's description (which
  // may be empty). `error` says why a code was not accepted.
  Board LookUpBoard(const QK_TString& code, QK_TString* description, QK_TString* error) const;
  // True when the user may log in; else `error` says why not.
  bool AcceptsLogin(const QK_TString& user, const QK_TString& password, QK_TString* error) const;
  // The local path of a design reference beginning with "@"; false with the
  // reason when it is malformed or there is no data root.
  bool ResolveReference(const QK_TString& reference, QK_TString* path, QK_TString* error) const;

 private:
  QK_TString File(const QK_TString& name) const { return folder_ + "/" + name; }

  QK_TString folder_;
};

// The data folder of the installation, which its components share: the
// main control sets it whenever it is given one (SetDefaultsLocation, an
// enterprise login), and the standards component resolves design
// references under it unless its own login gave it one.
const DataRoot& InstalledDataRoot();
void SetInstalledDataRoot(const DataRoot& root);

// True when `path` (after "\" became "/") names an existing folder.
bool IsFolder(const QK_TString& path);

// The enterprise login: the location must be an existing folder, which then
// becomes the data root, and it must accept the user. False with the text of
// the refusal otherwise.
bool LogIn(const QK_TString& location, const QK_TString& user, const QK_TString& password, DataRoot* root,
           QK_TString* error);

}  // namespace FolvaneCAD
