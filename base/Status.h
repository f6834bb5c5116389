#pragma once

// base/: what every layer shares and nothing of the launcher's own: one
// small non-copyable owner per handle kind (UniqueHandle, UniqueGdiObject,
// ComPtr, ...), the failure type every layer returns (Status, below), the
// UTF-8 conversions and the system-directory loading of DLLs. Includes
// nothing of the project outside this folder.

#include <string>

namespace Launcher {

// The outcome of one step of the launcher's own work: success, or which call
// failed, on what, the platform's code at that moment and what kind of
// failure it is. The kind is set where the failure is made; callers decide by
// it, never by the call's name, which is there for the one line a person
// reads. A plain value: copied and moved freely, no thread affinity.
// Failures are returned, never thrown, and never dropped unsaid: a caller
// that has nothing to do with a failure says why where it drops it.
class [[nodiscard]] Status {
 public:
  enum class Kind {
    Ok,
    Platform,        // a platform call failed here (a file, the disk, memory)
    NotFound,        // nothing stands under the name asked for
    LeadsElsewhere,  // the name leads through a link, or is not what it says
    Refused,         // a rule refused the input: an unsafe name, an untrusted
                     // file, a signature that does not prove the package
    Remote,          // the other end failed: unreachable, cut, a refusing
                     // answer, bytes that do not fit what was asked for
    NotAPackage,     // a body that is no package the engine opens
  };

  // Success.
  static Status Ok() { return Status(); }
  // `call` failed on `subject`; the code is GetLastError() read now, so it
  // must be built right after the failed call, before any other call can
  // change it. NotFound for "file not found" and "path not found", Platform
  // otherwise. `call` is a literal that outlives the value.
  static Status FromLastError(const char* call, std::wstring subject);
  // `call` failed on `subject` with `code`, a code the call returned itself
  // (an HRESULT, the extraction's result code); 0 when it has none.
  static Status Failed(const char* call, std::wstring subject, unsigned long code = 0);
  // The same failure with the kind named.
  static Status Failed(Kind kind, const char* call, std::wstring subject, unsigned long code = 0);
  // The check `check` refused, for the reason `reason` (a sentence naming
  // what it found and what it expected); kind Refused, no platform code.
  static Status Refused(const char* check, std::wstring reason);

  Status() = default;

  bool ok() const { return kind_ == Kind::Ok; }
  Kind kind() const { return kind_; }
  bool Is(Kind kind) const { return kind_ == kind; }
  // The call that failed, or the check that refused ("" on success).
  const char* call() const { return call_ ? call_ : ""; }
  // What the call failed on, or the refusal's reason.
  const std::wstring& subject() const { return subject_; }
  unsigned long code() const { return code_; }

  // One line, UTF-8, without a line end: "OK", or the call, the subject in
  // quotes and the code, e.g. `MoveFileExW "C:\dir\a.dll": error 5`
  // (`... : failed` when there is no code; codes of 0x10000 and above, such
  // as HRESULTs, in hexadecimal), or for a refusal with a reason the check
  // and its reason, e.g. `PackageSignature: no signature offered`.
  std::string ToString() const;

 private:
  Status(Kind kind, const char* call, std::wstring subject, unsigned long code);

  Kind kind_ = Kind::Ok;
  const char* call_ = nullptr;
  bool reason_ = false;
  std::wstring subject_;
  unsigned long code_ = 0;
};

}  // namespace Launcher
