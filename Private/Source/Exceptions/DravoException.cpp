#include "DravoException.h"

#include "AfxDisp.h"

namespace CAD {

DravoRuntimeException DravoRuntimeExceptionFromDispatch(const QK_TString& message,
                                                        COleDispatchException* caught) {
  QK_TString failure;
  if (!caught->m_strSource.IsEmpty()) failure = QK_TString(caught->m_strSource.GetString()) + " - ";
  if (caught->m_strDescription.IsEmpty()) {
    failure += "unknown error";
  } else {
    failure += QK_TString(caught->m_strDescription.GetString());
  }
  caught->Delete();
  return DravoRuntimeException(message, QK_TAny(failure));
}

DravoRuntimeException DravoRuntimeExceptionFromOle(const QK_TString& message, CException* caught) {
  QK_TString failure;
  const SCODE code = COleException::Process(caught);
  wchar_t buffer[256];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code), 1024,
                                      buffer, 256, nullptr);
  if (length != 0) {
    failure = QK_TString(buffer, static_cast<int>(length));
  } else {
    failure = QK_TString::Format("MFC Exception: code %x",
                                 static_cast<unsigned int>(COleException::Process(caught)));
  }
  caught->Delete();
  return DravoRuntimeException(message, QK_TAny(failure));
}

}  // namespace CAD
