#include "tests/support/SealedRecord.h"

#include <cstdio>

unsigned long Crc(const std::string& bytes) {
  unsigned long crc = 0xFFFFFFFFul;
  for (const unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320ul : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFul;
}

std::string Sealed(const std::string& lines) {
  char end[32];
  std::snprintf(end, sizeof end, "end %08lx\r\n", Crc(lines));
  return lines + end;
}
