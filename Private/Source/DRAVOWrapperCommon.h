// What the conventional and the enterprise driver share: the main control,
// the standards component and the layout object, and every operation that
// differs between the two only in dispatch ids and texts.
#pragma once

#include "DRAVOInterface.h"
#include "DRAVOWrapperDispatch.h"
#include "DravoException.h"

namespace CAD {

// The differences between the two kinds of CAD server.
struct DriverProfile {
  const char* sourceFile;  // recorded at every throw
  const wchar_t* mainProgId;
  const wchar_t* standardsProgId;
  const MainControlIds& mainIds;
  const StandardsIds& standardsIds;
  const char* startFailure;
  const char* standardStartFailure;
  const char* saveFailure;
  // Reported with the error text before SaveDesignFailed; null for none.
  const char* unsavedDesignMessage;
  const char* valueCheckFailure;
};

// The thread's automation apartment, entered once by the start of the main
// control and left when the driver goes, also when its construction fails.
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  void Enter();

 private:
  bool entered_ = false;
};

class DravoDriver : public DRAVOInterface {
 public:
  ~DravoDriver() override;

  QK_TString GetErrorString() override;
  QK_TString GetStandardErrorString() override { return standards_->ErrorText(); }
  QK_TString GetLayoutErrorString() override { return Layout().ErrorText(); }
  void OpenDesign(const QK_TString& design) override;
  std::int16_t SaveDesign(const QK_TString& path) override;
  void GetDocROMDXml(QK_TString& xml) override;
  void StartControl() override;
  QK_TString GetVersion() override;
  std::int16_t InvokeMethod13() override { return mainControl_->InvokeMethod13(); }
  std::int16_t SetLayer(std::int32_t index, std::int16_t on) override {
    return mainControl_->SetLayer(index, on);
  }
  std::int16_t Rebuild() override { return mainControl_->Rebuild(); }
  std::int16_t InvokeMethod16(const QK_TString& outputName, std::int16_t sampleType,
                              const QK_TString& outputPath) override {
    return mainControl_->InvokeMethod16(outputName, sampleType, outputPath);
  }
  void CloseDesign() override;
  void SetBoardCode(const QK_TString& boardCode) override;
  std::int16_t SetNumericVariable(const QK_TString& name, double value) override {
    return mainControl_->SetNumericVariable(name, value);
  }
  std::int16_t AddNumericVariable(const QK_TString& name, double value) override {
    return mainControl_->AddNumericVariable(name, value);
  }
  std::int16_t SetStringVariable(const QK_TString& name, const QK_TString& value) override {
    return mainControl_->SetStringVariable(name, value);
  }
  std::int16_t AddStringVariable(const QK_TString& name, const QK_TString& value) override {
    return mainControl_->AddStringVariable(name, value);
  }
  std::int16_t ReadNumericVariable(const QK_TString& name, double& value) override;
  std::int16_t ReadStringVariable(const QK_TString& name, QK_TString& value) override;
  std::int16_t RunCommand(const QK_TString& command) override { return mainControl_->RunCommand(command); }
  void SetStyleWorkspace(const QK_TString& workspace) override;
  std::int16_t RunStyleStandard(std::int16_t flag) override;
  void SetOption28(std::int16_t value) override { mainControl_->SetOption28(value); }
  void SetOption29(std::int16_t unit) override { mainControl_->SetOption29(unit); }
  void SetBoardCodeAndDescription(const QK_TString& boardCode, const QK_TString& description) override;
  void SetPrintSide(std::int16_t printSide) override { mainControl_->SetPrintSide(printSide); }
  void StartStandardControl() override;
  void OpenStandard(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                    const QK_TString& text, const QK_TString& parameterSet) override;
  int RunStandard(const VariableList& variables) override;
  void SaveStandardDesign(const QK_TString& path) override;
  void SetOption36(std::int16_t value) override { mainControl_->SetOption36(value); }

  void GetLayoutObject() override;
  std::int16_t SetSheetSize(double a, double b, double c, double d, double e, double f) override {
    return Layout().SetSheetSize(a, b, c, d, e, f);
  }
  std::int32_t AddOneup(const QK_TString& designReference) override {
    return Layout().AddOneup(designReference);
  }
  std::int16_t SetNestData(std::int32_t nestingType, double gapX, double gapY, std::int16_t flag) override {
    return Layout().SetNestData(nestingType, gapX, gapY, flag);
  }
  std::int32_t QueryOneup43(std::int32_t oneup) override { return Layout().QueryOneup43(oneup); }
  std::int32_t QueryOneup44(std::int32_t oneup) override { return Layout().QueryOneup44(oneup); }
  std::int16_t PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) override {
    return Layout().PlaceOneupGrid(a, b, c, d);
  }
  std::int32_t GetLayoutValue46(std::int32_t value) override { return Layout().LayoutValue46(value); }
  std::int32_t GetLayoutValue47(std::int32_t value) override { return Layout().LayoutValue47(value); }
  std::int16_t PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) override {
    return Layout().PlaceOneupGridAlt(a, b, c, d);
  }
  std::int16_t PositionOneups(std::int16_t mode) override { return Layout().PositionOneups(mode); }
  std::int16_t SetLayoutOption(std::int16_t option, std::int16_t value) override {
    return Layout().SetLayoutOption(option, value);
  }
  std::int16_t InvokeLayoutMethod51(std::int32_t a, std::int32_t b, double c, double d, double e,
                                    std::int32_t f) override {
    return Layout().InvokeMethod51(a, b, c, d, e, f);
  }

  QK_TString EvaluateStringExpression(const QK_TString& expression) override {
    return mainControl_->EvaluateString(expression);
  }
  double EvaluateNumericExpression(const QK_TString& expression) override {
    return mainControl_->EvaluateNumeric(expression);
  }
  std::int16_t PreparePrintItems(std::int32_t number, bool flag) override {
    return mainControl_->PreparePrintItems(number, flag);
  }
  std::int16_t GetExpressionError() override { return mainControl_->ExpressionError(); }
  void ResetLayout() override { Layout().Reset(); }
  std::int16_t SetRotation(double angle) override { return Layout().SetRotation(angle); }
  void ReleaseLayoutObject() override { layout_.reset(); }

  std::int16_t ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a, std::int16_t b,
                           std::int32_t c, std::int32_t d, std::int32_t e, std::int32_t f,
                           std::int32_t g) override;
  std::int16_t GetImageSetting60() override { return mainControl_->ImageSetting60(); }
  std::int16_t GetIndustryCode() override { return mainControl_->IndustryCode(); }
  std::int16_t GetText62(QK_TString& text) override;
  QK_TString GetText63() override { return mainControl_->Text63(); }
  QK_TString GetText64() override { return mainControl_->Text64(); }
  double GetNumericVariable(const QK_TString& name) override;
  QK_TString GetStringVariable(const QK_TString& name) override { return mainControl_->StringVariable(name); }
  QK_TString GetVariableValue(const QK_TString& name) override;
  std::int16_t GetMenuXml(const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c,
                          std::int16_t d) override;
  std::int16_t GetUnit() override;
  std::int16_t ExportThumbnail(const QK_TString& path) override;
  int GenerateDocPlots(const QK_TString& designName, const QK_TURL& folder, PlotList& plots,
                       std::int16_t width, std::int16_t height, const DeliveredLocations& delivered) override;
  std::int16_t DeletePrintItem(std::int32_t index) override { return mainControl_->DeletePrintItem(index); }
  std::int16_t CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) override {
    return mainControl_->CheckPrintItem(number, kind, index);
  }
  std::int16_t RemovePrintItem(std::int32_t index) override { return mainControl_->RemovePrintItem(index); }
  std::int16_t CreatePrintItems(std::int32_t kind, bool flag) override {
    return mainControl_->CreatePrintItems(kind, flag);
  }
  std::int32_t GetPrintItemCount(std::int32_t kind) override { return mainControl_->PrintItemCount(kind); }
  std::int16_t SelectPrintItem(std::int32_t number, std::int32_t index, std::int16_t flag) override {
    return mainControl_->SelectPrintItem(number, index, flag);
  }
  std::int16_t InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) override {
    return mainControl_->InvokeMethod79(text, a, b);
  }
  QK_TString GetPrintItemName(std::int32_t kind, std::int32_t index) override {
    return mainControl_->PrintItemName(kind, index);
  }
  // Sets the option where the control has it (the enterprise control does not).
  void SetOption72(std::int16_t value) override;

  // The design database: a server without one (an enterprise server)
  // answers empty texts and 0 and holds nothing; the conventional driver
  // overrides these with the database's objects.
  QK_TString FindPerson(const QK_TString&, const QK_TString&) override { return QK_TString(); }
  QK_TString FindCompany(const QK_TString&, const QK_TString&) override { return QK_TString(); }
  std::int16_t SetDesignCustomer(std::int32_t, std::int32_t) override { return Status::kDone; }
  std::int16_t SetDesignOwner(std::int32_t, std::int32_t) override { return Status::kDone; }
  std::int16_t SetDesignDesigner(std::int32_t, std::int32_t) override { return Status::kDone; }
  std::int16_t SetDesignSalesperson(std::int32_t, std::int32_t) override { return Status::kDone; }
  void OpenDesignRecord() override {}
  void ReleaseDesignRecord() override {}
  void InitPerson() override {}
  void ReleasePerson() override {}
  void InitCompany() override {}
  void ReleaseCompany() override {}

 protected:
  DravoDriver(TW_TTask* reporter, const DriverProfile& profile);

  // Runs `body`; a framework exception escaping it becomes a
  // DravoRuntimeException with `message` (dispatch failures first).
  template <class Body>
  void ConvertingAutomationFailures(const QK_TString& message, Body body);

  // Throws `exception` recording this driver's source file and the line of
  // the call (the default argument is evaluated where Raise is called).
  [[noreturn]] void Raise(QK_EException&& exception, unsigned int line = __builtin_LINE()) const;
  // Throws DravoError(message) with the main control's error text as data.
  [[noreturn]] void FailWithErrorText(const QK_TString& message, unsigned int line = __builtin_LINE());
  // Logs the standards component in, inside the start-up's conversion of
  // automation failures; only the enterprise component needs it.
  virtual void LogInStandards();
  // The held layout object; throws when GetLayoutObject was not called.
  LayoutDispatch& Layout();

  const DriverProfile& profile_;
  // Released in reverse order: the layout object, the main control, the
  // standards component, and the apartment last.
  ComApartment apartment_;
  DispatchPtr<StandardsDispatch> standards_;
  DispatchPtr<MainControlDispatch> mainControl_;
  DispatchPtr<LayoutDispatch> layout_;

 private:
  // Puts the working list's value for one menu item, or the item's default.
  void ApplyVariable(MenuItemDispatch& item, std::int16_t kind, VariableList& working);
  // Messages and the DravoError of a failed standards step.
  [[noreturn]] void FailStandard(const char* key, const QK_TString& errorText, const char* message,
                                 unsigned int line = __builtin_LINE());
};

template <class Body>
void DravoDriver::ConvertingAutomationFailures(const QK_TString& message, Body body) {
  try {
    body();
  } catch (COleDispatchException* caught) {
    Raise(DravoRuntimeExceptionFromDispatch(message, caught));
  } catch (CException* caught) {
    Raise(DravoRuntimeExceptionFromOle(message, caught));
  }
}

}  // namespace CAD
