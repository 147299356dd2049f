// The program's entry: hands the task framework the command line, the task
// class, its name and the request handler. The framework owns the process
// from there.
#include <functional>

#include "Shapejob.h"

int main(int argc, char** argv) {
  __QK_INITIALIZATION_FUNCTION_Shapejob__();
  TW_TTask::RequestHandler handler = &CAD::HandleRequest;
  QK_TString name(L"Shapejob");
  TW_TTask::Init(argc, argv, CAD::Task::QK_ClassObject(), name, false, 300000, handler);
  return 0;
}
