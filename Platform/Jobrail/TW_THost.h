// The command-line host's readers and event printer, public so that tests
// can drive them without a process.
//
// Ticket file: root <Ticket action="..." id="..." outputDir="..."
// outputName="..."> (a plain file name: no "/", "\\", ".." or control
// character), children <Input> (a path or "file:" URL; relative paths
// are taken from the ticket file's folder), <Param key="..." [type="bool|int"]>
// (text value, or a child <Array> of <Dict> elements holding <Param>
// elements) and <Name key="...">value</Name> (variable-substitution names).
//
// Request file: root <Request>, children <Param key="..."> (text) and
// <Tree key="..."> (nested <Tree> and <Value> elements, as in the site
// configuration).
//
// Event lines, one per event, on standard output:
//   message SEVERITY KEY "ARG"...   stage KEY   progress N   log "TEXT"
//   output CONTEXT PATH             result N    reply VALUE
// Texts in quotes are JSON strings. A KEY, CONTEXT or PATH is bare unless
// it holds a blank, a quote or a control character; then it is a JSON
// string too, so that no text can end a line and start an event of its own.
// An echoed text (a key, an argument, a log text) longer than 64 KiB is cut
// there and marked "...[cut, N bytes in all]".
#pragma once

#include <ostream>

#include "AT_TTicket.h"
#include "TW_TTask.h"

struct TW_TTicketFile {
  QK_TString actionName;
  TW_TTaskSetup setup;
  AT_TTicket ticket;
};

class TW_THost {
 public:
  // Reads a ticket file; a file that cannot be read or does not follow the
  // format throws QK_EException saying why.
  static TW_TTicketFile ReadTicketFile(const QK_TURL& file);
  // Reads a request file into the request dictionary.
  static QK_TDict ReadRequestFile(const QK_TURL& file);
  // A JSON string literal of `text`.
  static std::string JsonQuote(const QK_TString& text);
};

// Prints events in the line form above.
class TW_TLinePrinter : public TW_IEventSink {
 public:
  explicit TW_TLinePrinter(std::ostream& out) : out_(out) {}
  void Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) override;
  void Stage(const QK_TString& key) override;
  void Progress(unsigned int percent) override;
  void Log(const QK_TString& text) override;
  void Output(const QK_TString& context, const QK_TURL& file) override;

 private:
  std::ostream& out_;
};
