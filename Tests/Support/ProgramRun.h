// Test helper: the program run as a person runs it, with its command line
// and environment; what it printed on standard output, line by line, and
// its exit status.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

struct ProgramRun {
  int status = -1;
  std::vector<std::string> lines;

  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  // The lines that begin with `prefix`, in order.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
      if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
  }
  // The position of the first line equal to `line`, or -1.
  long IndexOf(const std::string& line) const {
    auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : static_cast<long>(found - lines.begin());
  }
};

// Runs the program (SHAPEJOB_BINARY) with `arguments`, after the shell
// assignments of `environment`; standard error is dropped.
inline ProgramRun RunProgram(const std::string& arguments, const std::string& environment = "") {
  std::string command = environment + " " + SHAPEJOB_BINARY + " " + arguments + " 2>/dev/null";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  std::string text;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) text += buffer.data();
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) run.lines.push_back(line);
  return run;
}
