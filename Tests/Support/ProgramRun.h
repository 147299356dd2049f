// Test helper: the program run as a person runs it, with its command line
// and environment; what it printed on standard output, line by line, and
// its exit status. Every run is checked for what no run may do: name an
// output file that does not exist.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
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

// What `run` printed, one indented line each, for the message of a failed
// expectation.
inline std::string Printed(const ProgramRun& run) {
  std::string printed;
  for (const std::string& line : run.lines) printed += "  " + line + "\n";
  return printed;
}

// The file of an "output CONTEXT PATH" line; the path may be printed as a
// JSON string.
inline std::string OutputPathOf(const std::string& line) {
  const std::size_t blank = line.find(' ', 7);
  const std::string path = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  if (path.size() < 2 || path.front() != '"' || path.back() != '"') return path;
  std::string unquoted;
  for (std::size_t i = 1; i + 1 < path.size(); ++i) {
    if (path[i] != '\\' || i + 2 >= path.size()) {
      unquoted += path[i];
      continue;
    }
    const char escaped = path[++i];
    switch (escaped) {
      case 'n': unquoted += '\n'; break;
      case 'r': unquoted += '\r'; break;
      case 't': unquoted += '\t'; break;
      case 'b': unquoted += '\b'; break;
      case 'f': unquoted += '\f'; break;
      case 'u':  // \u00XX: a control character
        if (i + 4 < path.size()) {
          unquoted += static_cast<char>(std::stoi(path.substr(i + 1, 4), nullptr, 16));
          i += 4;
        }
        break;
      default: unquoted += escaped;
    }
  }
  return unquoted;
}

// A failure of the current test for each "output" line of `run` whose file
// does not exist.
inline void ExpectOutputFilesExist(const ProgramRun& run) {
  for (const std::string& line : run.Starting("output ")) {
    EXPECT_TRUE(std::filesystem::exists(OutputPathOf(line))) << "an output that does not exist: " << line;
  }
}

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
  ExpectOutputFilesExist(run);
  return run;
}
