#include "Automation/FolvaneCADStandInObject.h"

#include <csignal>
#include <exception>

#include "Automation/FolvaneCADCallMeter.h"

namespace FolvaneCAD {

namespace {

// The first argument as a scenario line's "first=" compares it: a number or
// a text; none for an object or an out-parameter.
std::optional<FirstArgument> FirstArgumentOf(const char* parameters, const Arguments& args) {
  FirstArgument first;
  switch (parameters[0]) {
    case 'i': case 'l': case 'b': case 'v': first.number = static_cast<double>(args.Integer(0)); return first;
    case 'r': first.number = args.Real(0); return first;
    case 's': first.isText = true; first.text = args.Text(0); return first;
    case 'x':
      first.isText = args.IsText(0);
      if (first.isText) first.text = args.Text(0);
      if (!first.isText) first.number = static_cast<double>(args.Integer(0));
      return first;
    default: return std::nullopt;
  }
}

// Hands the forced text out through the call's text out-parameter.
void HandOutText(const char* parameters, const Arguments& args, const QK_TString& text) {
  for (unsigned int i = 0; parameters[i] != '\0'; ++i) {
    if (parameters[i] == 'S') args.SetText(i, text);
  }
}

}  // namespace

StandInObject::StandInObject(const DispatchTable& table, Flavour flavour)
    : table_(table),
      flavour_(flavour),
      scenario_(Scenario::FromEnvironment()),
      journal_(Journal::FromEnvironment()) {}

CallMeter& CallMeter::Process() {
  static CallMeter meter;
  return meter;
}

HRESULT StandInObject::Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                              EXCEPINFO* error) {
  const auto start = std::chrono::steady_clock::now();
  CallMeter& meter = CallMeter::Process();
  ++meter.calls;
  try {
    const HRESULT answered = Respond(id, kind, args, count, result, error);
    meter.inside += std::chrono::steady_clock::now() - start;
    return answered;
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
  const char* parameters = row.ParametersOn(flavour_);
  const ForcedAnswer* forced = scenario_.Find(row, FirstArgumentOf(parameters, args));
  if (forced != nullptr && forced->signal != 0) std::raise(forced->signal);
  if (forced != nullptr && !IsStatus(row.result) && forced->hasStatus) return ForcedValue(row, *forced);
  if (forced != nullptr && forced->Fails()) {
    SetLastError(forced->hasError ? forced->error : QK_TString("Forced failure of ") + row.name);
    return Answer::StatusFor(row.result, forced->status);
  }
  Answer answer = Perform(row, args);
  if (forced == nullptr || !answer.IsSuccess()) return answer;
  if (forced->hasText) HandOutText(parameters, args, forced->text);
  if (forced->hasError) SetLastError(forced->error);
  return forced->hasStatus ? Answer::StatusFor(row.result, forced->status) : answer;
}

Answer StandInObject::ForcedValue(const DispatchRow& row, const ForcedAnswer& forced) {
  if (forced.hasError) {
    SetLastError(forced.error);
  } else if (forced.status == 0) {
    SetLastError(QK_TString("Forced failure of ") + row.name);
  }
  return Answer::Count(forced.status);
}

}  // namespace FolvaneCAD
