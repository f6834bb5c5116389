#pragma once

#include <string>
#include <vector>

// The file "temp" in the launcher directory: names of files, relative to the
// launcher directory, that an update could not delete, joined by "|" with no
// separator after the last name, no line end and no header.
//
// One byte per character: each byte of the file is the character with the same
// code (0x00-0xFF), and a byte 0 adds nothing. A character above 0xFF cannot
// be one byte; it is written as "<" four lower-case hexadecimal digits ">"
// (U+4E2D as <4e2d>). No Windows file name may contain "<" or ">", so the form
// is unambiguous, and the reader turns it back into the character. A launcher
// that does not know the form reads a name that does not exist and keeps it
// listed, losing nothing.
//
// All operations run on the calling thread and report failure by their result.
class PendingDeletionFile {
 public:
  explicit PendingDeletionFile(const std::wstring& launcherDirectory);

  // Reads the whole file into `text`. False when it cannot be opened or read.
  bool Read(std::wstring& text) const;
  // Replaces the file's content with `text` (created when missing). False when
  // the file cannot be opened for output; then nothing is written.
  bool Write(const std::wstring& text) const;
  // Deletes the file; false when it cannot be deleted (or does not exist).
  bool Remove() const;

  // Cuts `text` at every "|" into names; an empty text gives no names, while
  // an empty name between two adjacent separators is a name too.
  static std::vector<std::wstring> Split(const std::wstring& text);
  // Joins names with "|", without a separator after the last one.
  static std::wstring Join(const std::vector<std::wstring>& names);

  // Encodes text in the file's byte form and back (see above).
  static std::string Encode(const std::wstring& text);
  static std::wstring Decode(const std::string& bytes);

 private:
  std::wstring path_;
};

// The start-up pass: tries again to delete every listed file. When every name
// is gone (or the file is empty) the file is deleted; otherwise it is rewritten
// with exactly the names that still cannot be deleted. A missing or unreadable
// file ends the pass without effect. Nothing is reported.
void ProcessPendingDeletions(const std::wstring& launcherDirectory);
