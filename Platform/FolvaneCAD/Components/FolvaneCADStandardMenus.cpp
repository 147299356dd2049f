#include "Components/FolvaneCADStandardMenus.h"

#include <utility>

#include "Automation/FolvaneCADStandInObject.h"

namespace FolvaneCAD {

namespace {

enum class MenuOperation { kFirstFlag, kSecondFlag, kKind, kTitle, kItemCount, kItem };
enum class ItemOperation { kValue, kSetValue, kDefault, kName };

using M = MenuOperation;
using I = ItemOperation;
using R = Result;

class ItemObject : public StandInObject {
 public:
  ItemObject(std::shared_ptr<StandardRun> run, int menu, int item)
      : StandInObject(MenuItemTable(), Flavour::kConventional), run_(std::move(run)), menu_(menu), item_(item) {}

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override {
    switch (static_cast<ItemOperation>(row.operation)) {
      case I::kValue: return Answer::Text(run_->ItemValue(menu_, item_));
      case I::kSetValue: return SetValue(args);
      case I::kDefault: return Answer::Text(run_->ItemDefault(menu_, item_));
      case I::kName: return Answer::Text(run_->Item(menu_, item_).name);
    }
    return Answer::Exception("Operation not known to the CAD stand-in");
  }

 private:
  ~ItemObject() override = default;

  Answer SetValue(const Arguments& args) {
    QK_TString value = args.IsText(0) ? args.Text(0) : QK_TString::Format("%ld", args.Integer(0));
    run_->SetItemValue(menu_, item_, value);
    return Answer::None();
  }

  std::shared_ptr<StandardRun> run_;
  int menu_;
  int item_;
};

class MenuObject : public StandInObject {
 public:
  MenuObject(std::shared_ptr<StandardRun> run, int menu)
      : StandInObject(MenuTable(), Flavour::kConventional), run_(std::move(run)), menu_(menu) {}

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override {
    const StandardMenu& menu = run_->Menu(menu_);
    switch (static_cast<MenuOperation>(row.operation)) {
      case M::kFirstFlag: flags_.first = args.Integer(0); return Answer::None();
      case M::kSecondFlag: flags_.second = args.Integer(0); return Answer::None();
      case M::kKind: return Answer::Status(menu.kind);
      case M::kTitle: return Answer::Text(menu.title);
      case M::kItemCount: return Answer::Status(static_cast<short>(menu.items.size()));
      case M::kItem: return Item(args);
    }
    return Answer::Exception("Operation not known to the CAD stand-in");
  }

 private:
  ~MenuObject() override = default;

  Answer Item(const Arguments& args) {
    int item = static_cast<int>(args.Integer(0));
    if (!run_->HasItem(menu_, item)) {
      return Answer::Exception(QK_TString::Format("Menu %d of the standard has no item %d", menu_, item));
    }
    return Answer::Object(new ItemObject(run_, menu_, item));
  }

  std::shared_ptr<StandardRun> run_;
  int menu_;
  std::pair<long, long> flags_{0, 0};
};

}  // namespace

const DispatchTable& MenuTable() {
  static const DispatchTable table("Menu", {
    Row(M::kFirstFlag, "FirstFlag", kPropertyPut, 2, 2, "i", "i", R::kNothing),
    Row(M::kSecondFlag, "SecondFlag", kPropertyPut, 1, 1, "i", "i", R::kNothing),
    Row(M::kKind, "Kind", kMethod, 4, 4, "", "", R::kShort),
    Row(M::kTitle, "Title", kMethod, 5, 5, "", "", R::kText),
    Row(M::kItemCount, "ItemCount", kMethod, 6, 6, "", "", R::kShort),
    Row(M::kItem, "Item", kMethod, 10, 10, "i", "i", R::kObject),
  });
  return table;
}

const DispatchTable& MenuItemTable() {
  static const DispatchTable table("MenuItem", {
    Row(I::kValue, "Value", kPropertyGet, 1, 1, "", "", R::kText),
    Row(I::kSetValue, "SetValue", kPropertyPut, 1, 1, "x", "x", R::kNothing),
    Row(I::kDefault, "Default", kPropertyGet, 2, 2, "", "", R::kText),
    Row(I::kName, "Name", kMethod, 4, 4, "", "", R::kText),
  });
  return table;
}

IDispatch* NewMenuObject(std::shared_ptr<StandardRun> run, int menu) { return new MenuObject(std::move(run), menu); }

}  // namespace FolvaneCAD
