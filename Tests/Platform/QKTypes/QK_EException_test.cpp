#include "QK_EException.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "QK_TDict.h"
#include "QK_TPacker.h"
#include "QK_TTree.h"
#include "QK_TURL.h"

namespace {

class TestJobError : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(TestJobError, QK_EException, "TestJobError")
};

class TestDiskError : public TestJobError {
  QK_PLATFORM_EXCEPTION_BODY(TestDiskError, TestJobError, "TestDiskError")
};

// Registered at start, as a receiving process must do before unpacking.
const QK_TClass& kTestJobErrorClass = TestJobError::QK_ClassObject();
const QK_TClass& kTestDiskErrorClass = TestDiskError::QK_ClassObject();

// Notes the class sections an object writes.
class SectionRecorder : public QK_IPacking {
 public:
  void BeginClass(const char* name) override { events.push_back(std::string("begin ") + name); }
  void EndClass(const char* name) override { events.push_back(std::string("end ") + name); }
  void PackString(const QK_TString&) override {}
  void PackUInt32(std::uint32_t) override {}
  void PackAny(const QK_TAny&) override {}
  std::vector<std::string> events;
};

QK_TTree NestedData() {
  QK_TTree data;
  data.SetPath("Job/Name", "Gr\xC3\xB6\xC3\x9F" "e");
  data.SetPath("Job/Pages", 12);
  data.SetPath("Job/Ratio", 0.1);
  data.SetPath("Job/Done", false);
  data.SetPath("Job/Input", QK_TURL(QK_TString("/tmp/in.pdf")));
  QK_TList steps;
  steps.Append("a");
  steps.Append(QK_TAny());
  data.SetPath("Steps", steps);
  return data;
}

TEST(QKEExceptionTest, DerivedClassRegistersAndAnswersCastsByName) {
  const QK_TClass* found = QK_TClass::Find("TestDiskError");
  ASSERT_EQ(found, &kTestDiskErrorClass);
  EXPECT_EQ(found->Superclass(), &kTestJobErrorClass);
  EXPECT_TRUE(found->IsA("QK_TObject"));

  TestDiskError error(QK_TString("disk full"));
  EXPECT_STREQ(error.ClassName(), "TestDiskError");
  EXPECT_EQ(error.QK_DynamicInfo(nullptr), found);
  EXPECT_EQ(error.QK_DynamicInfo("TestDiskError"), static_cast<void*>(&error));
  EXPECT_EQ(error.QK_DynamicInfo("TestJobError"), static_cast<void*>(static_cast<TestJobError*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("QK_EException"), static_cast<void*>(static_cast<QK_EException*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("QK_IPackable"), static_cast<void*>(static_cast<QK_IPackable*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("QK_IThrowable"), static_cast<void*>(static_cast<QK_IThrowable*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("QK_IPrintable"), static_cast<void*>(static_cast<QK_IPrintable*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("QK_IInterface"), static_cast<void*>(static_cast<QK_IInterface*>(&error)));
  EXPECT_EQ(error.QK_DynamicInfo("NoSuchClass"), nullptr);

  const QK_IInterface* asInterface = static_cast<QK_IPrintable*>(&error);
  EXPECT_EQ(QK_DynamicCast<TestJobError>(asInterface), &error);
  TestJobError baseObject;
  EXPECT_EQ(QK_DynamicCast<TestDiskError>(static_cast<QK_IPackable*>(&baseObject)), nullptr);
  EXPECT_TRUE(error.HasSuperclass("TestJobError"));
  EXPECT_TRUE(error.HasSuperclass("QK_EException"));
  EXPECT_FALSE(error.HasSuperclass("NoSuchClass"));
  EXPECT_TRUE(error.HasInterface("QK_IPackable"));
}

TEST(QKEExceptionTest, LibraryClassesAreRegisteredAtStart) {
  // A fresh process must find them before any code has used them.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(QK_TClass::Find("QK_EException") && QK_TClass::Find("QK_ENoMatchingTreeKey") &&
                                QK_TClass::Find("QK_EEntryIsNotASubtree")
                            ? 0
                            : 1),
              ::testing::ExitedWithCode(0), "");
}

TEST(QKEExceptionTest, ThrowThroughTheBaseKeepsTheDynamicClassAndThrowSite) {
  TestDiskError original(QK_TString("disk full"), QK_TAny("/var/spool"));
  QK_EException& base = original;
  unsigned int throwLine = 0;
  try {
    throwLine = __LINE__ + 1;
    QK_THROW(base);
  } catch (const TestDiskError& caught) {
    EXPECT_EQ(caught.QK_Message().str(), "disk full");
    EXPECT_EQ(caught.QK_Data(), QK_TAny("/var/spool"));
    EXPECT_EQ(caught.QK_ExceptionLine(), throwLine);
    EXPECT_TRUE(caught.QK_ExceptionFile().EndsWith("QK_EException_test.cpp")) << caught.QK_ExceptionFile();
    ASSERT_EQ(caught.QK_StackTrace().Size(), 1u);
    EXPECT_TRUE(caught.QK_StackTrace()[0].AsString().EndsWith(QK_TString::Format(":%u", throwLine)));
    return;
  } catch (const QK_EException& caught) {
    FAIL() << "caught only as " << caught.ClassName();
  }
  FAIL() << "nothing thrown";
}

TEST(QKEExceptionTest, CloneAndDescribeKeepEverything) {
  TestDiskError original(QK_TString("disk full"), QK_TAny(28));
  original.__PREPARE_FOR_THROW__(42, "disk.cpp");
  std::unique_ptr<QK_IPackable> clone(original.Clone());
  const auto* copy = QK_DynamicCast<TestDiskError>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->QK_Message().str(), "disk full");
  EXPECT_EQ(copy->QK_Data(), QK_TAny(28));
  EXPECT_EQ(copy->QK_ExceptionFile().str(), "disk.cpp");
  EXPECT_EQ(copy->QK_ExceptionLine(), 42u);
  EXPECT_TRUE(original.QK_IsIdent(*copy));
  EXPECT_FALSE(original.QK_IsIdent(TestJobError(QK_TString("disk full"), QK_TAny(28))));
  EXPECT_EQ(copy->Describe().str(), "TestDiskError: disk full [28] (disk.cpp:42)");
  EXPECT_EQ(QK_EException(QK_TString("plain")).Describe().str(), "QK_EException: plain");
}

TEST(QKEExceptionTest, PackingNestsTheBaseSections) {
  SectionRecorder recorder;
  TestDiskError(QK_TString("x")).QK_Pack(recorder);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"begin TestJobError", "begin QK_EException",
                                                       "end QK_EException", "end TestJobError"}));
}

TEST(QKEExceptionTest, UnpackingGivesAnObjectOfThePackedClass) {
  for (const QK_TAny& data : {QK_TAny("a \"quoted\" 1:2 text"), QK_TAny(NestedData()), QK_TAny()}) {
    TestDiskError original(QK_TString("disk full"), data);
    original.__PREPARE_FOR_THROW__(7, "a:b.cpp");
    std::unique_ptr<QK_IPackable> unpacked = QK_UnpackObject(QK_PackObject(original));
    ASSERT_NE(unpacked, nullptr);
    EXPECT_STREQ(unpacked->ClassName(), "TestDiskError");
    const auto* copy = QK_DynamicCast<TestDiskError>(unpacked.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->QK_Message().str(), "disk full");
    EXPECT_EQ(copy->QK_Data(), data) << copy->QK_Data().ToText();
    EXPECT_EQ(copy->QK_ExceptionFile().str(), "a:b.cpp");
    EXPECT_EQ(copy->QK_ExceptionLine(), 7u);
    EXPECT_EQ(copy->QK_StackTrace(), original.QK_StackTrace());
  }
}

TEST(QKEExceptionTest, UnpackingBadTextThrows) {
  std::string packed = QK_PackObject(TestDiskError(QK_TString("disk full"), QK_TAny(NestedData())));
  for (std::size_t length = 0; length < packed.size(); ++length) {
    EXPECT_THROW(QK_UnpackObject(packed.substr(0, length)), QK_EException) << "cut at " << length;
  }
  // Every single damaged byte either still unpacks or throws the library's exception.
  for (std::size_t at = 0; at < packed.size(); ++at) {
    for (char damage : {'9', 'K', ':', '\0'}) {
      std::string damaged = packed;
      damaged[at] = damage;
      try {
        QK_UnpackObject(damaged);
      } catch (const QK_EException&) {
      }
    }
  }
  EXPECT_THROW(QK_UnpackObject(packed + "S0:"), QK_EException);
  EXPECT_THROW(QK_UnpackObject("B9:NoSuchOne"), QK_EException);
  EXPECT_THROW(QK_UnpackObject("B10:QK_TObjectE10:QK_TObject"), QK_EException);
  EXPECT_THROW(QK_UnpackObject("Bx:y"), QK_EException);
  EXPECT_THROW(QK_UnpackObject("B99999999999999999999999:QK_EException"), QK_EException);

  std::string deep = "B13:QK_EExceptionS1:m";
  for (int level = 0; level < 100000; ++level) deep += "K4:treeN1:1V1:a";
  EXPECT_THROW(QK_UnpackObject(deep), QK_EException);

  QK_TPacker packer;
  packer.PackAny(QK_TAny(12));
  std::string number = packer.Result();
  number.replace(number.find("12"), 2, "1x");
  QK_TUnpacker unpacker(number);
  EXPECT_THROW(unpacker.UnpackAny(), QK_EException) << number;
}

}  // namespace
