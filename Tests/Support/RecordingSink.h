// Test helper: records every event a task reports, in order, as lines in
// the same form the command-line host prints.
#pragma once

#include <string>
#include <vector>

#include "TW_TTask.h"

class RecordingSink : public TW_IEventSink {
 public:
  void Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) override {
    std::string line = "message " + std::to_string(severity) + " " + key.str();
    for (const QK_TAny& argument : arguments) line += " " + argument.ToText().str();
    events.push_back(line);
  }
  void Stage(const QK_TString& key) override { events.push_back("stage " + key.str()); }
  void Progress(unsigned int percent) override { events.push_back("progress " + std::to_string(percent)); }
  void Log(const QK_TString& text) override {
    events.push_back("log");
    logs.push_back(text.str());
  }
  void Output(const QK_TString& context, const QK_TURL& file) override {
    events.push_back("output " + context.str() + " " + file.LocalName().str());
  }

  // The events whose line starts with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : events) {
      if (event.compare(0, prefix.size(), prefix) == 0) found.push_back(event);
    }
    return found;
  }

  std::vector<std::string> events;
  std::vector<std::string> logs;
};
