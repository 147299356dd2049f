// Test helper: the fixture of the ticket-builder tests. A task that reports
// to a recording sink, a temporary folder for input files, the ticket's
// parameters, and the two ways the tests look at a build: the failure it
// throws ("Class: message") and its value messages in short form.
#pragma once

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "AT_TTicket.h"
#include "QK_EException.h"
#include "RecordingSink.h"
#include "Shapejob.h"
#include "TempFolder.h"

class BuilderTestBase : public ::testing::Test {
 protected:
  using Parameters = std::vector<std::pair<const char*, QK_TAny>>;

  // One case of a table test: the server's database kind, the parameters
  // it sets, what the record then holds and the messages it logs.
  struct ServerCase {
    const char* databaseKind;
    Parameters parameters;
    const char* expected;
    const char* log;
  };

  void Prepare(const TW_TTaskSetup& setup) { task.Prepare(setup, &sink); }

  void Set(const Parameters& values) {
    for (const auto& [key, value] : values) parameters.Set(key, value);
  }
  void Set(const char* key, const QK_TAny& value) { parameters.Set(key, value); }

  // Writes the input file into the folder and makes it the builds' input.
  void WriteInput(const std::string& name, const std::string& content) { input = folder.WriteUrl(name, content); }

  // Runs `run` with `extra` set on top of the parameters, which are then
  // as they were before.
  template <class Run>
  void WithParameters(const Parameters& extra, Run run) {
    const QK_TDict saved = parameters;
    Set(extra);
    run();
    parameters = saved;
  }

  // A ticket of `action` holding the parameters as they are now.
  AT_TTicket Ticket(const char* action) const { return AT_TTicket(action, parameters); }

  // Runs `Builder` over a fresh `record` on a server of `databaseKind`
  // (for the builders whose build always reports true).
  template <class Builder, class Record>
  void BuildRecord(const char* action, const char* databaseKind, Record& record) {
    sink.events.clear();
    record = Record();
    record.databaseKind = databaseKind;
    AT_TTicket ticket = Ticket(action);
    Builder(ticket, input, record, task).BuildTicketData();
  }

  // "Class: message" of what `build` throws, or "nothing thrown".
  template <class Build>
  static std::string FailureOf(Build build) {
    try {
      build();
    } catch (const QK_EException& e) {
      return std::string(e.ClassName()) + ": " + e.QK_Message().str();
    }
    return "nothing thrown";
  }

  // The events, "|"-separated, with value messages in short form
  // ("boardcode FBB" for "message 0 shapejobs.boardcode.value FBB"), up to
  // the value message of `last` (a log name) when one is given.
  std::string Log(const std::string& last = "") const {
    static const std::string kValue = "message 0 shapejobs.";
    std::string log;
    for (const std::string& event : sink.events) {
      std::string entry = event;
      const std::size_t end = entry.find(".value");
      if (entry.rfind(kValue, 0) == 0 && end != std::string::npos) {
        entry = entry.substr(kValue.size(), end - kValue.size()) + entry.substr(end + 6);
      }
      log += (log.empty() ? "" : "|") + entry;
      if (!last.empty() && entry.rfind(last + " ", 0) == 0) break;
    }
    return log;
  }

  TempFolder folder;
  RecordingSink sink;
  CAD::Task task;
  QK_TDict parameters;
  QK_TURL input;
};

// A variable-substitution name that rewrites a file while it is resolved
// (to nothing): a builder that read its input file a second time would see
// the new content.
class RewriteOnLookup : public TNameLookupHandler {
 public:
  RewriteOnLookup(std::string path, std::string content) : path_(std::move(path)), content_(std::move(content)) {}
  bool Lookup(const QK_TString&, const QK_TString&, TName&, QK_TString& value) override {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << content_;
    value = QK_TString();
    return true;
  }

 private:
  std::string path_;
  std::string content_;
};
