// The CAD family: every class registers under its own name, packs and
// unpacks intact, and is thrown and caught as its own class.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DravoException.h"
#include "QK_TPacker.h"

namespace {

struct Leaf {
  const char* name;
  std::function<void(const QK_EException&)> throwAsLeaf;  // rethrows, caught by the leaf's own handler
};

#define LEAF(Class)                                                        \
  Leaf {                                                                   \
    #Class, [](const QK_EException& e) {                                   \
      try {                                                                \
        e.Throw();                                                         \
      } catch (const CAD::Class&) {                                        \
        return;                                                            \
      } catch (...) {                                                      \
      }                                                                    \
      ADD_FAILURE() << #Class " was not caught by its own handler";        \
    }                                                                      \
  }

const std::vector<Leaf>& Leaves() {
  static const std::vector<Leaf> leaves = {
      LEAF(BoardCodeEmptyException),
      LEAF(DravoError),
      LEAF(DravoRuntimeException),
      LEAF(DesignNotOpenException),
      LEAF(EmptyDesignNameException),
      LEAF(EmptyFormatClassException),
      LEAF(EmptyMFGTemplateNameException),
      LEAF(EmptyMandatoryParameterException),
      LEAF(InvalidBoardCode),
      LEAF(InvalidBoardCodeDescription),
      LEAF(InvalidExpressionException),
      LEAF(InvalidGraindirException),
      LEAF(InvalidGraindirectionException),
      LEAF(InvalidMandatoryParameterValueExceptionHandler),
      LEAF(InvalidNestingTypeExceptionHandler),
      LEAF(InvalidNodeException),
      LEAF(InvalidPrintsideException),
      LEAF(InvalidUnitException),
      LEAF(InvalidXMLException),
      LEAF(LexicalCastExceptionHandler),
      LEAF(LoginFailed),
      LEAF(NOMFGGenerateException),
      LEAF(NestFailedException),
      LEAF(NoDesignInfoExportedException),
      LEAF(NoLayoutFoundError),
      LEAF(OneupAddException),
      LEAF(OneupExceedMaxException),
      LEAF(PositioningFailedException),
      LEAF(PrintItemException),
      LEAF(PrintItemExceptionHandler),
      LEAF(RotationFailedException),
      LEAF(SaveDesignFailed),
      LEAF(SetNestDataFailedException),
      LEAF(SetSheetSizeException),
      LEAF(ShrinkSheetException),
      LEAF(StandardNotFoundException)};
  return leaves;
}

// The names of the classes registered with the class registry that derive
// from `root`, sorted.
std::vector<std::string> RegisteredDescendants(const QK_TClass* root) {
  std::vector<std::string> found;
  for (const std::string& name : QK_TClass::RegisteredNames()) {
    const QK_TClass* classObject = QK_TClass::Find(name.c_str());
    if (classObject != root && classObject->IsA(root->Name())) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(DravoExceptionFamily, RegistersTheRootAndExactlyTheThirtySixLeaves) {
  const QK_TClass* root = QK_TClass::Find("DravoException");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Superclass(), &QK_EException::QK_ClassObject());

  std::vector<std::string> listed;
  for (const Leaf& leaf : Leaves()) listed.emplace_back(leaf.name);
  std::sort(listed.begin(), listed.end());
  const std::vector<std::string> registered = RegisteredDescendants(root);
  EXPECT_EQ(registered.size(), 36u) << "classes registered under DravoException";
  EXPECT_EQ(registered, listed) << "every registered class is tested here, and only those";
  for (const std::string& name : registered) {
    EXPECT_EQ(QK_TClass::Find(name.c_str())->Superclass(), root) << name << " derives from the root directly";
  }
}

TEST(DravoExceptionFamily, EveryClassPacksUnpacksAndThrowsAsItself) {
  for (const Leaf& leaf : Leaves()) {
    std::unique_ptr<QK_TObject> made(QK_TClass::Find(leaf.name)->CreateObject());
    auto* exception = QK_DynamicCast<QK_EException>(made.get());
    ASSERT_NE(exception, nullptr) << leaf.name;
    exception->QK_Message() = QK_TString("fixed text");
    exception->QK_Data() = QK_TAny(QK_TString(std::string("error text of ") + leaf.name));
    exception->__PREPARE_FOR_THROW__(7, "DRAVOWrapper");

    std::unique_ptr<QK_IPackable> copy = QK_UnpackObject(QK_PackObject(*exception));
    auto* unpacked = QK_DynamicCast<QK_EException>(copy.get());
    ASSERT_NE(unpacked, nullptr) << leaf.name;
    EXPECT_STREQ(unpacked->ClassName(), leaf.name);
    EXPECT_EQ(unpacked->QK_Message(), QK_TString("fixed text"));
    EXPECT_EQ(unpacked->QK_Data(), exception->QK_Data());
    EXPECT_EQ(unpacked->QK_ExceptionFile(), QK_TString("DRAVOWrapper"));
    EXPECT_EQ(unpacked->QK_ExceptionLine(), 7u);
    leaf.throwAsLeaf(*unpacked);
    EXPECT_THROW(unpacked->Throw(), CAD::DravoException) << leaf.name;
  }
}

TEST(DravoExceptionFamily, NearNamesAreDifferentClasses) {
  try {
    QK_THROW(CAD::InvalidGraindirectionException(QK_TString("GrainDirection must be Vertical, Horizontal or From Standard or Design"),
                                                 QK_TAny("Diagonal")));
  } catch (const CAD::InvalidGraindirException&) {
    FAIL() << "caught by the other class";
  } catch (const CAD::InvalidGraindirectionException& e) {
    EXPECT_EQ(e.QK_Data(), QK_TAny("Diagonal"));
  }
}

}  // namespace
