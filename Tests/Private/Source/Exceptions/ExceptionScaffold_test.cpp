// The common shape of the program's exception classes: registration by
// name, casts by name, throwing by dynamic type, cloning and packing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ExceptionScaffold.h"
#include "QK_TPacker.h"
#include "QK_TTree.h"
#include "TaskError.h"

namespace {

// A two-level family, the shape every family of the program has.
class SampleFamilyException : public QK_EException {
  SHAPEJOB_EXCEPTION_CLASS(SampleFamilyException, QK_EException, "SampleFamilyException")
};
class SampleLeafError : public SampleFamilyException {
  SHAPEJOB_EXCEPTION_CLASS(SampleLeafError, SampleFamilyException, "SampleLeafError")
};
// Differs from the leaf's name in letter case only.
class SampleLEAFError : public SampleFamilyException {
  SHAPEJOB_EXCEPTION_CLASS(SampleLEAFError, SampleFamilyException, "SampleLEAFError")
};
SHAPEJOB_REGISTER_EXCEPTION(SampleLeafError)
SHAPEJOB_REGISTER_EXCEPTION(SampleLEAFError)

[[noreturn]] void ThrowThrough(const QK_EException& e) {
  e.Throw();
  QK_NotReached();
}

TEST(ExceptionScaffold, ClassesRegisterUnderTheirNamesWithTheirBases) {
  const QK_TClass* leaf = QK_TClass::Find("SampleLeafError");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf, &SampleLeafError::QK_ClassObject());
  EXPECT_EQ(leaf->Superclass(), &SampleFamilyException::QK_ClassObject());
  EXPECT_EQ(SampleFamilyException::QK_ClassObject().Superclass(), &QK_EException::QK_ClassObject());
  EXPECT_EQ(leaf->InstanceSize(), sizeof(SampleLeafError));

  std::unique_ptr<QK_TObject> made(leaf->CreateObject());
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->ClassName(), "SampleLeafError");

  EXPECT_NE(QK_TClass::Find("SampleLEAFError"), leaf) << "names are compared with case";
  EXPECT_NE(QK_TClass::Find("TaskError"), nullptr);
}

TEST(ExceptionScaffold, CastByNameClimbsTheFamily) {
  SampleLeafError error(QK_TString("broken"));
  const QK_IInterface& object = error;
  EXPECT_EQ(object.QK_DynamicInfo("SampleLeafError"), static_cast<void*>(&error));
  EXPECT_EQ(object.QK_DynamicInfo("SampleFamilyException"),
            static_cast<void*>(static_cast<SampleFamilyException*>(&error)));
  EXPECT_EQ(object.QK_DynamicInfo("QK_EException"), static_cast<void*>(static_cast<QK_EException*>(&error)));
  EXPECT_EQ(object.QK_DynamicInfo("SampleLEAFError"), nullptr);
  EXPECT_EQ(object.QK_DynamicInfo("NoSuchClass"), nullptr);
  EXPECT_EQ(object.QK_MostDerivedObject(), static_cast<void*>(&error));

  const QK_TClass& classObject = *static_cast<QK_TClass*>(object.QK_DynamicInfo(nullptr));
  EXPECT_EQ(&classObject, &SampleLeafError::QK_ClassObject());
  EXPECT_TRUE(classObject.Announced());
  EXPECT_TRUE(error.HasSuperclass("SampleFamilyException"));
  EXPECT_TRUE(error.HasSuperclass("QK_EException"));
}

TEST(ExceptionScaffold, ThrowThroughTheBaseIsCaughtAsTheMostDerivedClass) {
  SampleLeafError error(QK_TString("message"), QK_TAny("data"));
  error.__PREPARE_FOR_THROW__(42, "somewhere.cpp");
  try {
    ThrowThrough(error);
    FAIL() << "nothing thrown";
  } catch (const SampleLEAFError&) {
    FAIL() << "caught as a different class";
  } catch (const SampleLeafError& caught) {
    EXPECT_EQ(caught.QK_Message(), QK_TString("message"));
    EXPECT_EQ(caught.QK_Data(), QK_TAny("data"));
    EXPECT_EQ(caught.QK_ExceptionLine(), 42u);
    EXPECT_EQ(caught.QK_ExceptionFile(), QK_TString("somewhere.cpp"));
  }
}

TEST(ExceptionScaffold, ThrownObjectsAreCaughtByEveryInterface) {
  auto throwLeaf = [] { QK_THROW(SampleLeafError(QK_TString("x"))); };
  EXPECT_THROW(throwLeaf(), SampleFamilyException);
  EXPECT_THROW(throwLeaf(), QK_EException);
  EXPECT_THROW(throwLeaf(), QK_TObject);
  EXPECT_THROW(throwLeaf(), QK_IInterface);
  EXPECT_THROW(throwLeaf(), QK_IThrowable);
  EXPECT_THROW(throwLeaf(), QK_IPackable);
  EXPECT_THROW(throwLeaf(), QK_IPrintable);
}

TEST(ExceptionScaffold, CloneKeepsClassAndContent) {
  SampleLeafError error(QK_TString("message"), QK_TAny("data"));
  error.__PREPARE_FOR_THROW__(7, "file.cpp");
  std::unique_ptr<QK_IPackable> copy(error.Clone());
  ASSERT_NE(copy, nullptr);
  auto* leaf = QK_DynamicCast<SampleLeafError>(copy.get());
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->QK_Message(), QK_TString("message"));
  EXPECT_EQ(leaf->QK_ExceptionLine(), 7u);
  EXPECT_TRUE(error.QK_IsIdent(*copy));
}

TEST(ExceptionScaffold, LeafPacksTwoNestedSectionsAndUnpacksIntact) {
  QK_TTree data;
  data.SetPath("a/b", QK_TAny("deep"));
  SampleLeafError error(QK_TString("packed message"), QK_TAny(data));
  error.__PREPARE_FOR_THROW__(99, "pack.cpp");

  const std::string packed = QK_PackObject(error);
  const std::size_t root = packed.find("SampleFamilyException");
  const std::size_t base = packed.find("QK_EException");
  ASSERT_NE(root, std::string::npos);
  ASSERT_NE(base, std::string::npos);
  EXPECT_LT(root, base) << "the family root's section encloses the base's";

  std::unique_ptr<QK_IPackable> unpacked = QK_UnpackObject(packed);
  auto* leaf = QK_DynamicCast<SampleLeafError>(unpacked.get());
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->QK_Message(), QK_TString("packed message"));
  EXPECT_EQ(leaf->QK_Data(), QK_TAny(data));
  EXPECT_EQ(leaf->QK_ExceptionFile(), QK_TString("pack.cpp"));
  EXPECT_EQ(leaf->QK_ExceptionLine(), 99u);
}

TEST(TaskErrorTest, IsABareFamilyRootThatPacksWithItsThrowSite) {
  try {
    QK_THROW(TaskError());
  } catch (const TaskError& error) {
    EXPECT_TRUE(error.QK_Message().Empty());
    EXPECT_TRUE(error.QK_Data().IsIllegal());
    EXPECT_GT(error.QK_ExceptionLine(), 0u);

    const std::string packed = QK_PackObject(error);
    std::unique_ptr<QK_IPackable> unpacked = QK_UnpackObject(packed);
    auto* copy = QK_DynamicCast<TaskError>(unpacked.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy->ClassName(), "TaskError");
    EXPECT_EQ(copy->QK_ExceptionLine(), error.QK_ExceptionLine());
    EXPECT_EQ(copy->QK_ExceptionFile(), error.QK_ExceptionFile());
  }
  EXPECT_EQ(TaskError::QK_ClassObject().Superclass(), &QK_EException::QK_ClassObject());
}

}  // namespace
