#include "QK_TXml.h"

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "QK_EException.h"

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

QK_TString FromXml(const XMLCh* text, XMLSize_t length = static_cast<XMLSize_t>(-1)) {
  if (text == nullptr) return QK_TString();
  // XMLCh is UTF-16; decode surrogate pairs into code points.
  std::wstring wide;
  for (XMLSize_t i = 0; i < length && text[i]; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    wide += static_cast<wchar_t>(c);
  }
  return QK_TString(wide);
}

// The largest ticket, request or configuration file read; they hold a few
// kilobytes, and the whole file is held in memory while it is parsed.
constexpr std::uint64_t kMaximumFileBytes = 16u << 20;
// The text that entity references may add to a document, beyond what the
// document itself holds.
constexpr std::uint64_t kMaximumExpansion = 1u << 20;
// The entity references a document may expand. Tickets, requests and
// configuration files need few if any; the library's own bound is 50,000,
// and as each expansion sets up a reader of its own, a few lines of nested
// entities of short texts would keep a parse busy for long before the text
// bound above stopped it.
constexpr XMLSize_t kMaximumEntityExpansions = 1000;

// Builds the element tree from SAX events, so that every element knows its
// line; parse errors are thrown with their position.
class TreeBuilder : public xc::DefaultHandler {
 public:
  static constexpr std::size_t kMaximumDepth = 256;

  // `documentSize` is the length of the document's own text: without entity
  // references the tree never holds more than that.
  TreeBuilder(QK_TString source, std::uint64_t documentSize)
      : source_(std::move(source)), textBudget_(documentSize + kMaximumExpansion) {}

  void setDocumentLocator(const xc::Locator* locator) override { locator_ = locator; }

  void startElement(const XMLCh*, const XMLCh*, const XMLCh* qname,
                    const xc::Attributes& attributes) override {
    QK_TXmlElement element;
    element.name = FromXml(qname);
    element.line = locator_ ? static_cast<unsigned int>(locator_->getLineNumber()) : 0;
    // Each element costs its name and the "<", "/" and ">" that the
    // document spends on it at least; each attribute its name, value, "=",
    // quotes and blank.
    Spend(xc::XMLString::stringLen(qname) + 3, element.line);
    for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
      Spend(xc::XMLString::stringLen(attributes.getQName(i)) + xc::XMLString::stringLen(attributes.getValue(i)) + 4,
            element.line);
      element.attributes.emplace_back(FromXml(attributes.getQName(i)), FromXml(attributes.getValue(i)));
    }
    // Tickets, requests and configuration files nest a few levels; a deeper
    // document is refused before its element tree exhausts the stack.
    if (open_.size() >= kMaximumDepth) {
      QK_THROW(QK_EException(QK_TString::Format("%s: line %u: elements nested deeper than %zu levels",
                                                source_.c_str(), element.line, kMaximumDepth)));
    }
    open_.push_back(std::move(element));
  }

  void endElement(const XMLCh*, const XMLCh*, const XMLCh*) override {
    QK_TXmlElement done = std::move(open_.back());
    open_.pop_back();
    if (open_.empty()) {
      root_ = std::move(done);
      haveRoot_ = true;
    } else {
      open_.back().children.push_back(std::move(done));
    }
  }

  void characters(const XMLCh* chars, const XMLSize_t length) override {
    Spend(length, locator_ ? static_cast<unsigned int>(locator_->getLineNumber()) : 0);
    if (!open_.empty()) open_.back().text += FromXml(chars, length);
  }

  void warning(const xc::SAXParseException&) override {}
  void error(const xc::SAXParseException& e) override { Fail(e); }
  void fatalError(const xc::SAXParseException& e) override { Fail(e); }

  bool HaveRoot() const { return haveRoot_; }
  QK_TXmlElement TakeRoot() { return std::move(root_); }

 private:
  [[noreturn]] void Fail(const xc::SAXParseException& e) {
    QK_THROW(QK_EException(QK_TString::Format("%s: line %llu column %llu: %s", source_.c_str(),
                                              static_cast<unsigned long long>(e.getLineNumber()),
                                              static_cast<unsigned long long>(e.getColumnNumber()),
                                              FromXml(e.getMessage()).c_str())));
  }

  // Counts `amount` characters of the tree against the document's size: a
  // document whose entities would grow it by more than kMaximumExpansion is
  // refused before it fills the memory.
  void Spend(std::uint64_t amount, unsigned int line) {
    if (amount <= textBudget_) {
      textBudget_ -= amount;
      return;
    }
    QK_THROW(QK_EException(QK_TString::Format("%s: line %u: entity references expand the document by more than %llu "
                                              "characters",
                                              source_.c_str(), line,
                                              static_cast<unsigned long long>(kMaximumExpansion))));
  }

  QK_TString source_;
  std::uint64_t textBudget_;
  const xc::Locator* locator_ = nullptr;
  std::vector<QK_TXmlElement> open_;
  QK_TXmlElement root_;
  bool haveRoot_ = false;
};

// Decimal integer with an optional sign; false when not one or out of range.
bool ParseInt(const std::string& text, long long& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') {
    ++begin;
    if (begin != end && *begin == '-') return false;
  }
  auto [stop, error] = std::from_chars(begin, end, value);
  return error == std::errc() && stop == end;
}

// What kind of file system object `mode` describes, for a refusal.
const char* KindOfFile(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a file";
}

// Closes a descriptor when the read ends, however it ends.
struct Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

[[noreturn]] void ThrowUnreadable(const QK_TString& reason, const QK_TString& path) {
  QK_THROW(QK_EException(reason, QK_TAny(path)));
}

// The whole of a regular file of at most kMaximumFileBytes; a file that
// grows past that while it is read is refused too, so that a wrong path
// can neither block nor fill the memory.
QK_TString ReadBoundedFile(const QK_TURL& location) {
  const QK_TString& path = location.LocalName();
  std::uint64_t size = 0;
  Descriptor file(QK_TXml::OpenDocument(location, size));
  const auto tooLarge = [&path](std::uint64_t size) {
    ThrowUnreadable(QK_TString::Format("The file holds %llu bytes, more than the %llu allowed",
                                       static_cast<unsigned long long>(size),
                                       static_cast<unsigned long long>(kMaximumFileBytes)),
                    path);
  };
  if (size > kMaximumFileBytes) tooLarge(size);
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t count = read(file.fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) ThrowUnreadable("Cannot read the file", path);
    content.append(buffer, static_cast<std::size_t>(count));
    if (content.size() > kMaximumFileBytes) tooLarge(content.size());
  }
  return QK_TString(std::move(content));
}

// Keeps the XML library initialised for the life of one parse.
struct XercesScope {
  XercesScope() { xc::XMLPlatformUtils::Initialize(); }
  ~XercesScope() { xc::XMLPlatformUtils::Terminate(); }
};

}  // namespace

const QK_TString* QK_TXmlElement::Attribute(const QK_TString& attributeName) const {
  for (const auto& attribute : attributes) {
    if (attribute.first == attributeName) return &attribute.second;
  }
  return nullptr;
}

QK_TXmlElement QK_TXml::ParseText(const QK_TString& text, const QK_TString& sourceName) {
  XercesScope xerces;
  TreeBuilder builder(sourceName, text.Length());
  xc::SecurityManager securityManager;
  securityManager.setEntityExpansionLimit(kMaximumEntityExpansions);
  {
    std::unique_ptr<xc::SAX2XMLReader> reader(xc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xc::XMLUni::fgSAX2CoreNameSpaces, false);
    reader->setFeature(xc::XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(xc::XMLUni::fgXercesLoadExternalDTD, false);
    reader->setFeature(xc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
    // Bounds entity expansion, so that a few lines of entities cannot grow
    // into gigabytes of text.
    reader->setProperty(xc::XMLUni::fgXercesSecurityManager, &securityManager);
    reader->setContentHandler(&builder);
    reader->setErrorHandler(&builder);
    xc::MemBufInputSource input(reinterpret_cast<const XMLByte*>(text.c_str()), text.Length(),
                                sourceName.c_str());
    try {
      reader->parse(input);
    } catch (const xc::XMLException& e) {
      QK_THROW(QK_EException(QK_TString::Format("%s: %s", sourceName.c_str(),
                                                FromXml(e.getMessage()).c_str())));
    }
  }
  if (!builder.HaveRoot()) {
    QK_THROW(QK_EException(QK_TString::Format("%s: no root element", sourceName.c_str())));
  }
  return builder.TakeRoot();
}

int QK_TXml::OpenDocument(const QK_TURL& location, std::uint64_t& size) {
  const QK_TString& path = location.LocalName();
  if (path.str().find('\0') != std::string::npos) ThrowUnreadable("The file name holds a NUL character", path);
  // Not blocking, so that opening a pipe without a writer returns at once.
  Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) ThrowUnreadable("Cannot open file for reading", path);
  struct stat facts {};
  if (fstat(file.fd, &facts) != 0) ThrowUnreadable("Cannot open file for reading", path);
  if (!S_ISREG(facts.st_mode)) {
    ThrowUnreadable(QK_TString::Format("Not a regular file but %s", KindOfFile(facts.st_mode)), path);
  }
  size = static_cast<std::uint64_t>(facts.st_size);
  const int descriptor = file.fd;
  file.fd = -1;
  return descriptor;
}

QK_TXmlElement QK_TXml::ParseFile(const QK_TURL& location) {
  return ParseText(ReadBoundedFile(location), location.LocalName());
}

QK_TAny QK_TXml::TypedValue(const QK_TString& text, const QK_TString& type, unsigned int line) {
  if (type.Empty() || type == "string") return QK_TAny(text);
  QK_TString trimmed = text.Trim();
  if (type == "bool") {
    if (trimmed.EqualsIgnoreCase("true") || trimmed == "1") return QK_TAny(true);
    if (trimmed.EqualsIgnoreCase("false") || trimmed == "0") return QK_TAny(false);
  } else if (type == "int") {
    long long value = 0;
    if (ParseInt(trimmed.str(), value)) return QK_TAny(value);
  } else if (type == "url") {
    return QK_TAny(QK_TURL(trimmed));
  } else {
    QK_THROW(QK_EException(QK_TString::Format("line %u: unknown value type \"%s\"", line, type.c_str())));
  }
  QK_THROW(QK_EException(QK_TString::Format("line %u: \"%s\" is not a valid %s", line, text.c_str(),
                                            type.c_str())));
}

QK_TTree QK_TXml::ReadTree(const QK_TXmlElement& element) {
  QK_TTree tree;
  for (const QK_TXmlElement& child : element.children) {
    if (child.name != "Tree" && child.name != "Value") continue;
    const QK_TString* key = child.Attribute("key");
    if (key == nullptr || key->Empty()) {
      QK_THROW(QK_EException(QK_TString::Format("line %u: <%s> without a key", child.line,
                                                child.name.c_str())));
    }
    if (child.name == "Tree") {
      tree.Set(*key, QK_TAny(ReadTree(child)));
    } else {
      const QK_TString* type = child.Attribute("type");
      tree.Set(*key, TypedValue(child.text, type ? *type : QK_TString(), child.line));
    }
  }
  return tree;
}
