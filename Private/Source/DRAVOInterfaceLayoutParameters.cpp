// Layout parameters: sheet, margins, gutters and the fill and shrink choices of a template entry.
//
// A value given in the entry wins; an empty length is read from the open
// manufacturing template's layout variable and converted to the ticket's unit.
#include <boost/lexical_cast.hpp>
#include <iterator>

#include "DRAVOInterface.h"
#include "DravoException.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"

namespace CAD {

namespace {

constexpr double kMillimetresPerInch = 25.4;

const QK_TString kInchUnit(L"Inch");
const QK_TString kMillimetreUnit(L"mm");
const QK_TString kYes(L"YES");

// A length of the entry and where an empty one comes from.
struct LengthRow {
  const char* entryName;
  const char* layoutVariable;  // read from the open template when the entry's value is empty
  const char* messageKey;      // reports a value read from the template
  double LayoutNestingInfo::*field;
};

// In the order they are read. The first kSheetSizeRows are the sheet sizes
// that every nest reads again.
const LengthRow kLengthRows[] = {
    {"Sheet Size X", "LAY.SHT1.SIZEX", "shapejobs.message.sheetsizeX", &LayoutNestingInfo::sheetSizeX},
    {"Sheet Size Y", "LAY.SHT1.SIZEY", "shapejobs.message.sheetsizeY", &LayoutNestingInfo::sheetSizeY},
    {"Minimum Sheet Size X", "DPRS.MINW", "shapejobs.message.minsheetsizeX",
     &LayoutNestingInfo::minSheetSizeX},
    {"Minimum Sheet Size Y", "DPRS.MINH", "shapejobs.message.minsheetsizeY",
     &LayoutNestingInfo::minSheetSizeY},
    {"Left Margin", "LAY.SHT1.LEFT", "shapejobs.message.leftmargin", &LayoutNestingInfo::leftMargin},
    {"Right Margin", "LAY.SHT1.RIGHT", "shapejobs.message.rightmargin", &LayoutNestingInfo::rightMargin},
    {"Top Margin", "LAY.SHT1.TOP", "shapejobs.message.topmargin", &LayoutNestingInfo::topMargin},
    {"Bottom Margin", "LAY.SHT1.BOTTOM", "shapejobs.message.bottommargin", &LayoutNestingInfo::bottomMargin},
    {"Gutter X", "LAY.BLEEDL", "shapejobs.message.gutterX", &LayoutNestingInfo::gutterX},
    {"Gutter Y", "LAY.BLEEDY", "shapejobs.message.gutterY", &LayoutNestingInfo::gutterY},
};
constexpr std::size_t kSheetSizeRows = 4;

// The values of one template entry as the parameters read them. A missing
// name reads as empty. Every number is converted here, with the name of the
// parameter being read noted, so that a value that is no number is refused
// naming it.
class EntryReader {
 public:
  // `reporter` (may be null) receives the messages.
  EntryReader(const StringMap& entry, TW_TTask* reporter) : entry_(entry), reporter_(reporter) {}

  QK_TString Text(const char* name) const { return ValueOf(entry_, name); }

  template <typename Number>
  Number Convert(const char* parameterName, const QK_TString& text) const {
    try {
      return boost::lexical_cast<Number>(text.str());
    } catch (const boost::bad_lexical_cast&) {
      const QK_TString message = QK_TString("Invalid value (") + parameterName + ")";
      if (reporter_ != nullptr) {
        reporter_->AddMessage(Severity::kError, "shapejobs.message.lexicalcastexception", QK_TAny(message));
      }
      QK_THROW(LexicalCastExceptionHandler(message));
    }
  }

  // A mandatory value missing or not one of its words: reported, then thrown.
  [[noreturn]] void Refuse(const char* key, const char* text) const {
    if (reporter_ != nullptr) reporter_->AddMessage(Severity::kError, key);
    QK_THROW(EmptyMandatoryParameterException(QK_TString(text)));
  }

  void Inform(const char* key, const QK_TString& value) const {
    if (reporter_ != nullptr) reporter_->AddMessage(Severity::kInformation, key, QK_TAny(value));
  }

 private:
  const StringMap& entry_;
  TW_TTask* reporter_;
};

bool IsYesOrNo(const QK_TString& text) { return text.EqualsIgnoreCase(kYes) || text.EqualsIgnoreCase(kNo); }

// The words "Shrink Sheet Size" accepts.
bool IsShrinkSheetWord(const QK_TString& text) {
  for (const QK_TString* word : {&kVertical, &kHorizontal, &kBoth}) {
    if (text.EqualsIgnoreCase(*word)) return true;
  }
  return false;
}

// The strategies that clip the sheet to its minimum rather than shrink it.
bool ClipsToMinimum(std::int16_t strategy) {
  return strategy >= AllocationStrategy::kGrowToMinimum && strategy <= AllocationStrategy::kStrategyTwo;
}

bool ShrinksSheet(std::int16_t strategy) {
  return strategy == AllocationStrategy::kUnset || strategy > AllocationStrategy::kStrategyTwo;
}

// Whether the open template measures in the ticket's unit.
bool TemplateHasTicketUnit(const QK_TString& templateUnit, const QK_TString& ticketUnit) {
  return (ticketUnit.EqualsIgnoreCase(kInchUnit) && templateUnit.EqualsIgnoreCase("I")) ||
         (ticketUnit.EqualsIgnoreCase(kMillimetreUnit) && templateUnit.EqualsIgnoreCase("M"));
}

// The first `count` lengths into the record: the entry's value, or the open
// template's in the ticket's unit (reported).
void ReadLengths(DRAVOInterface& cad, std::size_t count, const EntryReader& reader, LayoutNestingInfo& record,
                 const LOTicketParam& ticket) {
  const bool keepUnit = TemplateHasTicketUnit(cad.EvaluateStringExpression("LAY.UNIT$"), ticket.units);
  for (std::size_t row = 0; row < count; ++row) {
    const LengthRow& length = kLengthRows[row];
    const QK_TString given = reader.Text(length.entryName);
    if (!given.Empty()) {
      record.*length.field = reader.Convert<double>(length.entryName, given);
    } else {
      record.*length.field = cad.ConvertUnit(keepUnit, ticket, length.layoutVariable);
      reader.Inform(length.messageKey, QK_TString::Format("%f", record.*length.field));
    }
  }
  record.sheetX = record.sheetSizeX;
  record.sheetY = record.sheetSizeY;
}

constexpr char kNoOneupsKey[] = "shapejobs.error.nooneups";
constexpr char kNoOneupsText[] = "One Ups cannot be empty or zero";

void ReadFillSheet(const EntryReader& reader, LayoutNestingInfo& record) {
  const QK_TString fill = reader.Text("Fill Sheet");
  if (fill.Empty()) reader.Refuse("shapejobs.error.emptyfillsheet", "Fill Sheet cannot be empty");
  if (fill.EqualsIgnoreCase(kNo)) {
    const struct {
      const char* entryName;
      const char* parameterName;
      std::int32_t LayoutNestingInfo::*field;
    } counts[] = {{"One Ups in X Direction", "UP_X", &LayoutNestingInfo::oneupsX},
                  {"One Ups in Y Direction", "UP_Y", &LayoutNestingInfo::oneupsY}};
    for (const auto& count : counts) {
      const QK_TString text = reader.Text(count.entryName);
      if (text.Empty()) reader.Refuse(kNoOneupsKey, kNoOneupsText);
      record.*count.field = reader.Convert<std::int32_t>(count.parameterName, text);
      if (record.*count.field == 0) reader.Refuse(kNoOneupsKey, kNoOneupsText);
    }
  } else if (!fill.EqualsIgnoreCase(kYes)) {
    reader.Refuse("shapejobs.error.invalidfillsheet", "Invalid value for Fill Sheet");
  }
  record.fillSheet = fill;
}

void ReadShrinkChoice(const EntryReader& reader, LayoutNestingInfo& record) {
  if (ClipsToMinimum(record.allocationStrategy)) {
    QK_TString clip = reader.Text("Clip To Minimum");
    if (clip.Empty()) clip = kNo;
    if (!IsYesOrNo(clip)) {
      reader.Refuse("shapejobs.error.invalidcliptominimum", "Invalid value for Clip To Minimum");
    }
    record.shrinkSheet = clip;
  } else if (ShrinksSheet(record.allocationStrategy)) {
    // Only checked here: the placing reads the word from the entry itself.
    const QK_TString shrink = reader.Text("Shrink Sheet Size");
    if (shrink.Empty())
      reader.Refuse("shapejobs.error.emptyshrinksheet", "Shrink Sheet Size cannot be empty");
    if (!IsShrinkSheetWord(shrink)) {
      reader.Refuse("shapejobs.error.invalidshrinksheet", "Invalid value for Shrink sheet size");
    }
  }
}

}  // namespace

void DRAVOInterface::ApplyLayoutParameters(LayoutNestingInfo& record, const StringMap& entry,
                                           const LOTicketParam& ticket) {
  const EntryReader reader(entry, reporter);
  const QK_TString strategy = reader.Text("Allocation Strategy");
  if (!strategy.Empty()) {
    record.allocationStrategy = reader.Convert<std::int16_t>("Allocation Strategy", strategy);
    reader.Inform("shapejobs.message.allocationStrategy",
                  QK_TString::Format("%d", record.allocationStrategy));
  }
  ReadLengths(*this, std::size(kLengthRows), reader, record, ticket);
  ReadFillSheet(reader, record);
  ReadShrinkChoice(reader, record);
}

void DRAVOInterface::ApplySheetSize(LayoutNestingInfo& record, const StringMap& entry,
                                    const LOTicketParam& ticket) {
  ReadLengths(*this, kSheetSizeRows, EntryReader(entry, reporter), record, ticket);
}

double DRAVOInterface::ConvertUnit(bool keepUnit, const LOTicketParam& ticket, const QK_TString& expression) {
  const double value = EvaluateNumericExpression(expression);
  if (keepUnit) return value;
  if (ticket.units.EqualsIgnoreCase(kInchUnit)) return value / kMillimetresPerInch;
  if (ticket.units.EqualsIgnoreCase(kMillimetreUnit)) return value * kMillimetresPerInch;
  // Any other unit is refused by the layout before a nest is made.
  return value;
}

}  // namespace CAD
