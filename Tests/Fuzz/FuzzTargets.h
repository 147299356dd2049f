// The fuzz targets: each feeds arbitrary bytes to one reader of untrusted
// input the way the program would meet them (as a file where the reader
// takes a file) and catches what that reader is meant to throw for a bad
// input. Anything else escaping, a sanitizer report or a stall is a fault.
//
// The libFuzzer mains (fuzz_*.cpp) and the regression test both call these,
// so that an input that once failed a fuzzer is replayed by CTest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ShapejobFuzz {

// What a target did with an input.
enum Outcome : int {
  kRead = 0,     // the reader took it
  kRefused = 1,  // the reader refused it with one of its own exceptions
};

// Inputs that carry text for the reader besides a document (an XPath, a
// record path) take it from their first lines, up to a line feed each; the
// rest is the document.

// A ticket file (the command-line host's ticket reader).
int FuzzTicketFile(const std::uint8_t* data, std::size_t size);
// A request file, and the server record made from its two trees.
int FuzzRequestFile(const std::uint8_t* data, std::size_t size);
// A site configuration file, and the server list read through it.
int FuzzConfigurationFile(const std::uint8_t* data, std::size_t size);
// Line 1: an XPath, read as an "xpath:" ticket value and as a node list;
// the rest: the input document it is evaluated over.
int FuzzTicketXPath(const std::uint8_t* data, std::size_t size);
// An export list of designs (the design-information build's SAX pass), also
// read by the layout template list's SAX pass.
int FuzzExportList(const std::uint8_t* data, std::size_t size);
// The XML ticket of a shop card.
int FuzzShopCardTicket(const std::uint8_t* data, std::size_t size);
// Line 1: the record XPath of a layout ticket; line 2: the XPath of its
// "Format Class" parameter; the rest: the input the template transform
// runs over.
int FuzzLayoutTransform(const std::uint8_t* data, std::size_t size);
// A design or manufacturing file of the CAD stand-in, loaded and saved.
int FuzzDesignFile(const std::uint8_t* data, std::size_t size);

// The targets by the names their folders of seeds and regressions carry.
struct Target {
  const char* name;
  int (*run)(const std::uint8_t* data, std::size_t size);
};
extern const Target kTargets[];
extern const std::size_t kTargetCount;

}  // namespace ShapejobFuzz

// The libFuzzer entry point of one target.
#define SHAPEJOB_FUZZ_MAIN(target)                                                \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    ShapejobFuzz::target(data, size);                                             \
    return 0;                                                                     \
  }
