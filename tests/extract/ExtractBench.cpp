// extract_bench PACKAGE DIRECTORY: one ExtractTo, for tools/bench/extract.sh,
// which times it against the 7-Zip console program. Exits with 0 on success,
// 1 otherwise; the extraction log goes to standard output.
#include <windows.h>

#include <cstdio>

#include "launcher/extract/SevenZipExtractor.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_bench PACKAGE DIRECTORY\n");
    return 2;
  }
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(argv[1]);
  HRESULT result = extractor.ExtractTo(argv[2]);
  if (result != S_OK)
    std::fprintf(stderr, "extract_bench: ExtractTo gave 0x%08lx\n", static_cast<unsigned long>(result));
  return result == S_OK ? 0 : 1;
}
