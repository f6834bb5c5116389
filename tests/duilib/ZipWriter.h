#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes small ZIP archives with stored members, for tests that need member
// names or layouts the real zip tool will not produce (names of exactly 255
// and 256 characters, bytes that differ only in case-folding corner cases).
class ZipWriter {
 public:
  void Add(const std::string& name, const std::string& data);
  std::string Finish() const;

 private:
  struct Member {
    std::string name;
    std::string data;
  };
  std::vector<Member> members_;
};
