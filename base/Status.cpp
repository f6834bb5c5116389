#include "base/Status.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "base/WideToUtf8.h"

namespace Launcher {

Status::Status(Kind kind, const char* call, std::wstring subject, unsigned long code)
    : kind_(kind), call_(call ? call : "(unnamed call)"), subject_(std::move(subject)), code_(code) {}

Status Status::FromLastError(const char* call, std::wstring subject) {
  // Read before anything else runs: building the text below may call into
  // the platform.
  const unsigned long code = ::GetLastError();
  const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
  return Status(missing ? Kind::NotFound : Kind::Platform, call, std::move(subject), code);
}

Status Status::Failed(const char* call, std::wstring subject, unsigned long code) {
  return Status(Kind::Platform, call, std::move(subject), code);
}

Status Status::Failed(Kind kind, const char* call, std::wstring subject, unsigned long code) {
  return Status(kind == Kind::Ok ? Kind::Platform : kind, call, std::move(subject), code);
}

Status Status::Refused(const char* check, std::wstring reason) {
  Status status(Kind::Refused, check, std::move(reason), 0);
  status.reason_ = true;
  return status;
}

std::string Status::ToString() const {
  if (ok()) return "OK";
  std::string subject;
  // A name with an unpaired surrogate has no UTF-8 form; the line still
  // says which call failed.
  if (!WideToUtf8(subject_, subject)) subject = "?";
  if (reason_) return std::string(call_) + ": " + subject;
  std::string line = std::string(call_) + " \"" + subject + "\": ";
  if (code_ == 0) return line + "failed";
  char number[32];
  std::snprintf(number, sizeof number, code_ >= 0x10000ul ? "error 0x%08lX" : "error %lu", code_);
  return line + number;
}

}  // namespace Launcher
