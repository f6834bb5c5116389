// extract_bench PACKAGE DIRECTORY [durable]: one ExtractTo, for
// tools/bench/extract.sh, which times it against the 7-Zip console program;
// with "durable", every file is flushed to the medium as the update does.
// Exits with 0 on success, 1 otherwise; the extraction log goes to standard
// output.
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/extract/SevenZipExtractor.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && !(argc == 4 && std::wstring(argv[3]) == L"durable")) {
    std::fprintf(stderr, "usage: extract_bench PACKAGE DIRECTORY [durable]\n");
    return 2;
  }
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(argv[1]);
  if (argc == 4) extractor.SetDurability(SevenZip::SevenZipExtractor::Durability::OnTheMedium);
  HRESULT result = extractor.ExtractTo(argv[2]);
  if (result != S_OK)
    std::fprintf(stderr, "extract_bench: ExtractTo gave 0x%08lx\n", static_cast<unsigned long>(result));
  return result == S_OK ? 0 : 1;
}
