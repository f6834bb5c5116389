// publish.exe: the maker's publisher (tools/publisher/Publisher.h). Exit
// code 0 when the output folder is complete, 1 when publishing failed (the
// reason on standard error), 2 for a command line it cannot read.

#include <cstdio>
#include <string>
#include <vector>

#include "base/Utf8.h"
#include "tools/publisher/Publisher.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> arguments(argv + 1, argv + argc);
  Publisher::PublishOptions options;
  std::string error;
  if (!Publisher::ParseArguments(arguments, options, error)) {
    std::fprintf(stderr, "publish: %s\n%s", error.c_str(), Publisher::Usage().c_str());
    return 2;
  }
  if (!Publisher::Publish(options, error)) {
    std::fprintf(stderr, "publish: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "publish: %s is ready to upload\n", Utf8FromWide(options.out).c_str());
  return 0;
}
