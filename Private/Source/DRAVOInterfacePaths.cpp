// Locations of the CAD operations: "file:" texts, network paths and local
// paths converted into one another, output names and folders, and the
// layout's time script.
#include <chrono>
#include <filesystem>
#include <system_error>

#include "DRAVOInterface.h"
#include "FileNameParts.h"
#include "QK_EException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"
#include "TaskError.h"

namespace CAD {

namespace {

const QK_TString kNetworkPrefix(L"//");
// Makes each manufacturing file of a production layout a new one.
const QK_TString kProductionNumber(L"_<<autonr1/>>");

// The extensions of the files the CAD operations write or open, which an
// output location loses when it is given another one.
const char* const kDesignFileExtensions[] = {".kpx", ".MFG", ".xml", ".JPG", ".PNG",
                                             ".CF2", ".CFF2", ".DXF", ".DD3"};

}  // namespace

QK_TString DRAVOInterface::LocalPathFromFileURL(const QK_TString& text) {
  return text.StartsWith(kFileScheme) ? text.Substring(kFileScheme.Length()) : text;
}

void DRAVOInterface::ChangeExtension(QK_TURL& url, const QK_TString& extension) {
  const QK_TString current = url.Extension();
  for (const char* known : kDesignFileExtensions) {
    if (current.EqualsIgnoreCase(known)) {
      url.SetExtension(extension);
      return;
    }
  }
  if (current.EqualsIgnoreCase(extension)) return;
  url.SetFileName(url.FileName() + extension);
}

QK_TString DRAVOInterface::FileNameOfPath(const QK_TString& path) {
  const QK_TString forward = ToForwardSlashes(path);
  const std::size_t slash = forward.FindLast('/');
  return slash == QK_TString::npos ? forward : forward.Substring(slash + 1);
}

QK_TString DRAVOInterface::ToForwardSlashes(const QK_TString& text) { return text.ReplaceChars('\\', '/'); }

void DRAVOInterface::ToFileURL(QK_TString& text) {
  if (text.StartsWith(kFileScheme)) return;
  text = ToForwardSlashes(text);
  if (text.StartsWith(kNetworkPrefix)) {
    text = kFileScheme + text;
  } else if (text.Contains(":")) {
    text = QK_TURL::LocalToURL(text).ToString(false);
  } else {
    text = QK_TString("file://") + text;
  }
}

QK_TURL DRAVOInterface::MakeDesignURL(const QK_TString& text) {
  QK_TString location = ToForwardSlashes(text);
  if (!location.StartsWith(kFileScheme)) {
    if (!location.StartsWith(kNetworkPrefix)) {
      Report(Severity::kError, "shapejobs.error.invaliddesignurl", QK_TAny(text));
      QK_THROW(TaskError());
    }
    location = kFileScheme + location;
  }
  return QK_TURL::FromString(location);
}

QK_TString DRAVOInterface::ToHostLocalPath(const QK_TString& path, const QK_TString& reference) {
  const QK_TString forward = ToForwardSlashes(path);
  QK_TString host;
  const std::size_t hostStart = reference.Find(kNetworkPrefix);
  if (hostStart != QK_TString::npos) {
    const QK_TString rest = reference.Substring(hostStart + kNetworkPrefix.Length());
    host = rest.Substring(0, rest.Find("/"));
  }
  // A network path keeps its own host; a local path goes on the reference's
  // host, a drive path ("C:/...") without its drive.
  QK_TString location;
  if (forward.StartsWith(kNetworkPrefix)) {
    location = QK_TString("file://") + forward.Substring(kNetworkPrefix.Length());
  } else if (forward.StartsWith("/")) {
    location = QK_TString("file://") + host + forward;
  } else {
    location = QK_TString("file://") + host + (forward.Length() > 2 ? forward.Substring(2) : QK_TString());
  }
  return QK_TURL::FromString(location).ToString(true);
}

void DRAVOInterface::CreateFolderTree(const QK_TURL& folder) {
  if (QK_TFileInfo::ExistsEx(folder)) return;
  const QK_TURL parent = folder.Parent();
  if (parent != folder) CreateFolderTree(parent);
  std::error_code error;
  std::filesystem::create_directory(folder.LocalName().str(), error);
  if (error && !QK_TFileInfo::ExistsEx(folder)) {
    QK_THROW(QK_ECouldNotCreateDirectory(QK_TString("Cannot create the folder: " + error.message()),
                                         QK_TAny(folder.LocalName())));
  }
}

QK_TString DRAVOInterface::ResolveLayoutName(const QK_TString& text, const char* failure) {
  QK_TString resolved;
  if (reporter == nullptr || !reporter->GetTName().Resolve(text, resolved)) {
    Report(Severity::kError, "shapejobs.message.couldnotresolve", QK_TAny(text));
    QK_THROW(QK_EException(QK_TString::Format(failure, text.c_str())));
  }
  return resolved;
}

QK_TURL DRAVOInterface::ResolveOutputFolder(const QK_TString& folderText) {
  QK_TString folder = ResolveLayoutName(folderText);
  ToFileURL(folder);
  const QK_TURL location = MakeDesignURL(folder);
  CreateFolderTree(location);
  return location;
}

QK_TURL DRAVOInterface::MakeMFGOutputPath(const LOTicketParam& record, QK_TString& outputName) {
  QK_TString name = record.mfgOutputFileName;
  if (record.layoutForProduction) {
    const QK_TString stem = StemOf(name);
    const bool manufacturing = !stem.Empty() && ExtensionOf(name).EqualsIgnoreCase(kManufacturingExtension);
    name = (manufacturing ? stem : name) + kProductionNumber;
  }
  outputName = ResolveLayoutName(name, "Veltrop: %s failed to resolve:");
  const QK_TURL folder = ResolveOutputFolder(record.mfgOutputFolder);
  if (outputName.Empty()) outputName = ResolveLayoutName(kInputFileName);
  QK_TURL result = folder.Child(outputName);
  ChangeExtension(result, kManufacturingExtension);
  return result;
}

QK_TURL DRAVOInterface::MakePreviewOutputPath(const LOTicketParam& record, const QK_TString& fileName) {
  QK_TString folderText = ResolveLayoutName(record.previewOutputFolder);
  ToFileURL(folderText);
  const QK_TURL folder = QK_TURL::FromString(folderText);
  CreateFolderTree(folder);
  return folder.Child(fileName);
}

QK_TString DRAVOInterface::WriteTimeScript() {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
  const QK_TURL script = TemporaryFile(".txt", true);
  try {
    QK_TFile::WriteAll(script, QK_TString::Format("dset LAY.FIL1.TIME$ = \"%lld\"\n",
                                                  static_cast<long long>(seconds.count())));
  } catch (const QK_EException&) {
    // The layout then runs without the time; the script's place is its answer all the same.
  }
  return script.ToString(false);
}

QK_TURL DRAVOInterface::TemporaryFile(const char* extension, bool registered) {
  if (reporter == nullptr) QK_THROW(QK_EException(QK_TString("A temporary file needs the task: there is none")));
  const QK_TURL file = reporter->TempFile(extension);
  if (registered) reporter->RegisterTempFile(file);
  return file;
}

}  // namespace CAD
