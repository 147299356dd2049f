// Test double of the CAD interface: every virtual operation is a mock, so a
// test states what the CAD application answers and checks what was called.
#pragma once

#include <gmock/gmock.h>

#include "DRAVOInterface.h"

class MockDriver : public CAD::DRAVOInterface {
 public:
  explicit MockDriver(TW_TTask* reporter = nullptr) : DRAVOInterface(reporter) {}

  MOCK_METHOD(QK_TString, GetErrorString, (), (override));
  MOCK_METHOD(QK_TString, GetStandardErrorString, (), (override));
  MOCK_METHOD(QK_TString, GetLayoutErrorString, (), (override));
  MOCK_METHOD(void, SetDefaultsLocation, (const QK_TString& folder), (override));
  MOCK_METHOD(void, SwitchDataSource, (const QK_TString& dataSourceName), (override));
  MOCK_METHOD(void, InitConnection, (const QK_TString& dataSourceName), (override));
  MOCK_METHOD(void, OpenDesign, (const QK_TString& design), (override));
  MOCK_METHOD(std::int16_t, SaveDesign, (const QK_TString& path), (override));
  MOCK_METHOD(void, GetDocROMDXml, (QK_TString& xml), (override));
  MOCK_METHOD(void, StartControl, (), (override));
  MOCK_METHOD(QK_TString, GetVersion, (), (override));
  MOCK_METHOD(std::int16_t, InvokeMethod13, (), (override));
  MOCK_METHOD(std::int16_t, SetLayer, (std::int32_t index, std::int16_t on), (override));
  MOCK_METHOD(std::int16_t, Rebuild, (), (override));
  MOCK_METHOD(std::int16_t, InvokeMethod16, (const QK_TString& outputName, std::int16_t sampleType, const QK_TString& outputPath), (override));
  MOCK_METHOD(void, CloseDesign, (), (override));
  MOCK_METHOD(void, SetBoardCode, (const QK_TString& boardCode), (override));
  MOCK_METHOD(std::int16_t, SetNumericVariable, (const QK_TString& name, double value), (override));
  MOCK_METHOD(std::int16_t, AddNumericVariable, (const QK_TString& name, double value), (override));
  MOCK_METHOD(std::int16_t, SetStringVariable, (const QK_TString& name, const QK_TString& value), (override));
  MOCK_METHOD(std::int16_t, AddStringVariable, (const QK_TString& name, const QK_TString& value), (override));
  MOCK_METHOD(std::int16_t, ReadNumericVariable, (const QK_TString& name, double& value), (override));
  MOCK_METHOD(std::int16_t, ReadStringVariable, (const QK_TString& name, QK_TString& value), (override));
  MOCK_METHOD(std::int16_t, RunCommand, (const QK_TString& command), (override));
  MOCK_METHOD(void, SetStyleWorkspace, (const QK_TString& workspace), (override));
  MOCK_METHOD(std::int16_t, RunStyleStandard, (std::int16_t flag), (override));
  MOCK_METHOD(void, SetOption28, (std::int16_t value), (override));
  MOCK_METHOD(void, SetOption29, (std::int16_t unit), (override));
  MOCK_METHOD(void, SetBoardCodeAndDescription, (const QK_TString& boardCode, const QK_TString& description), (override));
  MOCK_METHOD(void, SetPrintSide, (std::int16_t printSide), (override));
  MOCK_METHOD(void, StartStandardControl, (), (override));
  MOCK_METHOD(void, OpenStandard, (const QK_TString& standard, std::int16_t option, std::int16_t unit, const QK_TString& text, const QK_TString& parameterSet), (override));
  MOCK_METHOD(int, RunStandard, (const CAD::VariableList& variables), (override));
  MOCK_METHOD(void, SaveStandardDesign, (const QK_TString& path), (override));
  MOCK_METHOD(void, SetOption36, (std::int16_t value), (override));
  MOCK_METHOD(void, GetLayoutObject, (), (override));
  MOCK_METHOD(std::int16_t, SetSheetSize, (double a, double b, double c, double d, double e, double f), (override));
  MOCK_METHOD(std::int32_t, AddOneup, (const QK_TString& designReference), (override));
  MOCK_METHOD(std::int16_t, SetNestData, (std::int32_t nestingType, double gapX, double gapY, std::int16_t flag), (override));
  MOCK_METHOD(std::int32_t, QueryOneup43, (std::int32_t oneup), (override));
  MOCK_METHOD(std::int32_t, QueryOneup44, (std::int32_t oneup), (override));
  MOCK_METHOD(std::int16_t, PlaceOneupGrid, (std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d), (override));
  MOCK_METHOD(std::int32_t, GetLayoutValue46, (std::int32_t value), (override));
  MOCK_METHOD(std::int32_t, GetLayoutValue47, (std::int32_t value), (override));
  MOCK_METHOD(std::int16_t, PlaceOneupGridAlt, (std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d), (override));
  MOCK_METHOD(std::int16_t, PositionOneups, (std::int16_t mode), (override));
  MOCK_METHOD(std::int16_t, SetLayoutOption, (std::int16_t option, std::int16_t value), (override));
  MOCK_METHOD(std::int16_t, InvokeLayoutMethod51, (std::int32_t a, std::int32_t b, double c, double d, double e, std::int32_t f), (override));
  MOCK_METHOD(QK_TString, EvaluateStringExpression, (const QK_TString& expression), (override));
  MOCK_METHOD(double, EvaluateNumericExpression, (const QK_TString& expression), (override));
  MOCK_METHOD(std::int16_t, PreparePrintItems, (std::int32_t number, bool flag), (override));
  MOCK_METHOD(std::int16_t, GetExpressionError, (), (override));
  MOCK_METHOD(void, ResetLayout, (), (override));
  MOCK_METHOD(std::int16_t, SetRotation, (double angle), (override));
  MOCK_METHOD(void, ReleaseLayoutObject, (), (override));
  MOCK_METHOD(std::int16_t, ExportImage, (std::int16_t kind, const QK_TString& path, std::int16_t a, std::int16_t b, std::int32_t c, std::int32_t d, std::int32_t e, std::int32_t f, std::int32_t g), (override));
  MOCK_METHOD(std::int16_t, GetImageSetting60, (), (override));
  MOCK_METHOD(std::int16_t, GetIndustryCode, (), (override));
  MOCK_METHOD(std::int16_t, GetText62, (QK_TString& text), (override));
  MOCK_METHOD(QK_TString, GetText63, (), (override));
  MOCK_METHOD(QK_TString, GetText64, (), (override));
  MOCK_METHOD(double, GetNumericVariable, (const QK_TString& name), (override));
  MOCK_METHOD(QK_TString, GetStringVariable, (const QK_TString& name), (override));
  MOCK_METHOD(QK_TString, GetVariableValue, (const QK_TString& name), (override));
  MOCK_METHOD(std::int16_t, GetMenuXml, (const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c, std::int16_t d), (override));
  MOCK_METHOD(std::int16_t, GetUnit, (), (override));
  MOCK_METHOD(std::int16_t, ExportThumbnail, (const QK_TString& path), (override));
  MOCK_METHOD(int, GenerateDocPlots, (const QK_TString& designName, const QK_TURL& folder, CAD::PlotList& plots, std::int16_t width, std::int16_t height, const CAD::DeliveredLocations& delivered), (override));
  MOCK_METHOD(void, SetOption72, (std::int16_t value), (override));
  MOCK_METHOD(std::int16_t, DeletePrintItem, (std::int32_t index), (override));
  MOCK_METHOD(std::int16_t, CheckPrintItem, (std::int32_t number, std::int32_t kind, std::int32_t index), (override));
  MOCK_METHOD(std::int16_t, RemovePrintItem, (std::int32_t index), (override));
  MOCK_METHOD(std::int16_t, CreatePrintItems, (std::int32_t kind, bool flag), (override));
  MOCK_METHOD(std::int32_t, GetPrintItemCount, (std::int32_t kind), (override));
  MOCK_METHOD(std::int16_t, SelectPrintItem, (std::int32_t number, std::int32_t index, std::int16_t flag), (override));
  MOCK_METHOD(std::int16_t, InvokeMethod79, (const QK_TString& text, std::int32_t a, std::int32_t b), (override));
  MOCK_METHOD(QK_TString, GetPrintItemName, (std::int32_t kind, std::int32_t index), (override));
  MOCK_METHOD(QK_TString, FindPerson, (const QK_TString& firstName, const QK_TString& lastName), (override));
  MOCK_METHOD(QK_TString, FindCompany, (const QK_TString& name, const QK_TString& code), (override));
  MOCK_METHOD(std::int16_t, SetDesignCustomer, (std::int32_t id, std::int32_t second), (override));
  MOCK_METHOD(std::int16_t, SetDesignOwner, (std::int32_t id, std::int32_t second), (override));
  MOCK_METHOD(std::int16_t, SetDesignDesigner, (std::int32_t id, std::int32_t second), (override));
  MOCK_METHOD(std::int16_t, SetDesignSalesperson, (std::int32_t id, std::int32_t second), (override));
  MOCK_METHOD(void, OpenDesignRecord, (), (override));
  MOCK_METHOD(void, ReleaseDesignRecord, (), (override));
  MOCK_METHOD(void, InitPerson, (), (override));
  MOCK_METHOD(void, ReleasePerson, (), (override));
  MOCK_METHOD(void, InitCompany, (), (override));
  MOCK_METHOD(void, ReleaseCompany, (), (override));
  MOCK_METHOD(int, GenerateDesignFromStandard, (CAD::RunStandardTicketData & record), (override));
  MOCK_METHOD(int, GenerateDesignInfo, (CAD::ShopCardTicketData & record, QK_TString& text, QK_TURL& outputLocation),
              (override));
  MOCK_METHOD(int, GenerateDesignInfoWithVariables,
              (CAD::ShopCardTicketData & record, CAD::StringMapList& exportedDesigns, QK_TString& text,
               QK_TURL& outputLocation),
              (override));
  MOCK_METHOD(int, GenerateShopCard, (CAD::ShopCardTicketData & record), (override));
  MOCK_METHOD(int, SplitDesign, (CAD::SplitDesignTicketData & record), (override));
  MOCK_METHOD(int, GenerateLayout, (CAD::StringMapList & entries, CAD::LOTicketParam& record), (override));
};
