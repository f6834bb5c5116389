// Parse time of each skin against a plain copy of the same bytes. Not a test:
// `make bench` runs it and prints the ratio (parse / copy).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "duilib/core/CXmlDocument.h"
#include "tests/duilib/SkinBytes.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  const int rounds = 20000;
  for (const wchar_t* file : {L"MainWindow.xml", L"MessageBox.xml"}) {
    const std::string bytes = SkinMember(file);
    if (bytes.empty()) return 1;
    std::vector<char> copy(bytes.size());
    volatile char sink = 0;

    LARGE_INTEGER a, b, c;
    ::QueryPerformanceCounter(&a);
    for (int i = 0; i < rounds; ++i) {
      std::memcpy(copy.data(), bytes.data(), bytes.size());
      sink = sink + copy[i % copy.size()];
    }
    ::QueryPerformanceCounter(&b);
    DuiLib::CXmlDocument document;
    for (int i = 0; i < rounds; ++i) {
      if (!document.LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size())) return 1;
    }
    ::QueryPerformanceCounter(&c);
    const double copySeconds = Seconds(a, b, frequency) / rounds;
    const double parseSeconds = Seconds(b, c, frequency) / rounds;
    std::printf("markup: %ls (%u bytes UTF-8): load %.2f us, memcpy %.3f us, ratio load/memcpy %.0f\n", file,
                static_cast<unsigned>(bytes.size()), parseSeconds * 1e6, copySeconds * 1e6,
                copySeconds > 0 ? parseSeconds / copySeconds : 0.0);

    // The parse alone: the text already decoded to UTF-16, against a copy of it.
    std::wstring wide(static_cast<size_t>(
                          ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0],
                          static_cast<int>(wide.size()));
    std::vector<wchar_t> wideCopy(wide.size() + 1);
    ::QueryPerformanceCounter(&a);
    for (int i = 0; i < rounds; ++i) {
      std::memcpy(wideCopy.data(), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
      sink = sink + static_cast<char>(wideCopy[i % wide.size()]);
    }
    ::QueryPerformanceCounter(&b);
    for (int i = 0; i < rounds; ++i) {
      if (!document.Load(wide.c_str())) return 1;
    }
    ::QueryPerformanceCounter(&c);
    const double wideCopySeconds = Seconds(a, b, frequency) / rounds;
    const double wideParseSeconds = Seconds(b, c, frequency) / rounds;
    std::printf("markup: %ls (%u UTF-16 chars): parse %.2f us, memcpy %.3f us, ratio parse/memcpy %.0f\n", file,
                static_cast<unsigned>(wide.size()), wideParseSeconds * 1e6, wideCopySeconds * 1e6,
                wideCopySeconds > 0 ? wideParseSeconds / wideCopySeconds : 0.0);
  }
  return 0;
}
