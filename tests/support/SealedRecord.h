#pragma once

#include <string>

// The checksum an update record ends with, computed apart from the launcher's
// own code so that tests can write records the launcher must accept.

// CRC-32 as zlib computes it (check value 0xCBF43926 for "123456789").
unsigned long RecordCrc(const std::string& bytes);

// `lines` with the closing checksum line a valid record ends with
// ("end %08lx" CR LF): a record anybody can write.
std::string SealedRecord(const std::string& lines);
