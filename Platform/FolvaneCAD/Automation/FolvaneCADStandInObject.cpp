#include "Automation/FolvaneCADStandInObject.h"

#include <exception>

namespace FolvaneCAD {

namespace {

// The first argument when it is a 16-bit number: what "menu=N" of a
// scenario line is compared with.
std::optional<long> MenuArgument(const char* parameters, const Arguments& args) {
  if (parameters[0] != 'i') return std::nullopt;
  return args.Integer(0);
}

}  // namespace

StandInObject::StandInObject(const DispatchTable& table, Flavour flavour)
    : table_(table),
      flavour_(flavour),
      scenario_(Scenario::FromEnvironment()),
      journal_(Journal::FromEnvironment()) {}

HRESULT StandInObject::Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                              EXCEPINFO* error) {
  try {
    return Respond(id, kind, args, count, result, error);
  } catch (const std::exception& e) {
    return Answer::Exception(QK_TString("Internal error of the CAD stand-in: ") + e.what()).Deliver(result, error);
  } catch (...) {
    return Answer::Exception("Internal error of the CAD stand-in").Deliver(result, error);
  }
}

HRESULT StandInObject::Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                               EXCEPINFO* error) {
  const DispatchRow* row = table_.Find(flavour_, id, kind);
  if (row == nullptr) return Unlisted(id, result, error);
  HRESULT checked = CheckArguments(row->ParametersOn(flavour_), args, count);
  if (FAILED(checked)) return checked;
  Arguments arguments(args, count);
  writtenFile_ = QK_TString();
  Answer answer = Run(*row, arguments);
  journal_.Record(table_.object(), *row, row->ParametersOn(flavour_), arguments, answer, writtenFile_);
  return answer.Deliver(result, error);
}

// The scenario rules are those of FolvaneCADScenario.h.
Answer StandInObject::Run(const DispatchRow& row, const Arguments& args) {
  if (std::optional<Answer> refused = Refusal(row)) return *refused;
  const ForcedAnswer* forced = scenario_.Find(row, MenuArgument(row.ParametersOn(flavour_), args));
  if (forced != nullptr && forced->Fails()) {
    SetLastError(forced->hasError ? forced->error : QK_TString("Forced failure of ") + row.name);
    return Answer::StatusFor(row.result, forced->status);
  }
  Answer answer = Perform(row, args);
  if (forced == nullptr || !answer.IsSuccess()) return answer;
  if (forced->hasError) SetLastError(forced->error);
  return Answer::StatusFor(row.result, forced->status);
}

}  // namespace FolvaneCAD
