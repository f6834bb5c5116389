#include "tests/duilib/ZipWriter.h"

#include <zlib.h>

namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

void ZipWriter::Add(const std::string& name, const std::string& data) {
  members_.push_back({name, data});
}

std::string ZipWriter::Finish() const {
  std::string out;
  std::string directory;
  for (const Member& m : members_) {
    const uint32_t crc = static_cast<uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    const uint32_t offset = static_cast<uint32_t>(out.size());
    Put32(out, 0x04034b50);
    Put16(out, 10);
    Put16(out, 0);
    Put16(out, 0);  // stored
    Put16(out, 0);
    Put16(out, 0x21);
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(m.data.size()));
    Put32(out, static_cast<uint32_t>(m.data.size()));
    Put16(out, static_cast<uint32_t>(m.name.size()));
    Put16(out, 0);
    out += m.name;
    out += m.data;

    Put32(directory, 0x02014b50);
    Put16(directory, 20);
    Put16(directory, 10);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0x21);
    Put32(directory, crc);
    Put32(directory, static_cast<uint32_t>(m.data.size()));
    Put32(directory, static_cast<uint32_t>(m.data.size()));
    Put16(directory, static_cast<uint32_t>(m.name.size()));
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, 0);
    Put32(directory, offset);
    directory += m.name;
  }
  const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(members_.size()));
  Put16(out, static_cast<uint32_t>(members_.size()));
  Put32(out, static_cast<uint32_t>(directory.size()));
  Put32(out, directoryOffset);
  Put16(out, 0);
  return out;
}
