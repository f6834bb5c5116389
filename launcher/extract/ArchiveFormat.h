#pragma once

#include <windows.h>

// Selects the engine's archive handler.

namespace SevenZip {

enum ArchiveFormat : INT32 {
  FormatUnknown = 0,  // detection failed; the 7z handler is used if asked
  Format7z = 1,
  FormatZip = 2,
  FormatCab = 8,
  FormatLzma = 9,
  FormatLzma86 = 10,
};

// Class id of the handler for `format`: {23170F69-40C1-278A-1000-000110NN0000}.
// Any value outside the table selects the 7z handler.
inline GUID HandlerClassId(ArchiveFormat format) {
  unsigned char number = 0x07;  // 7z
  switch (format) {
    case FormatZip:
      number = 0x01;
      break;
    case FormatCab:
      number = 0x08;
      break;
    case FormatLzma:
      number = 0x0A;
      break;
    case FormatLzma86:
      number = 0x0B;
      break;
    default:
      break;
  }
  return GUID{0x23170F69, 0x40C1, 0x278A, {0x10, 0, 0, 0x01, 0x10, number, 0, 0}};
}

}  // namespace SevenZip
