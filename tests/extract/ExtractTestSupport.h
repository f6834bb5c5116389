#pragma once

#include <string>
#include <vector>

// Where the fixture step put the test packages (made by the real tools).
std::wstring ArchivePath(const std::wstring& name);

// Sends standard output into a file for as long as the object lives, so that
// a test can read the extraction log that the code under test prints.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  // Stops capturing and returns the lines written, decoded from UTF-8,
  // without their line ends.
  std::vector<std::wstring> Lines();

 private:
  void Stop();

  std::wstring file_;
  int saved_ = -1;
};

// Sorted copy, for comparing item sets whose order the tool chose.
std::vector<std::wstring> Sorted(std::vector<std::wstring> items);
