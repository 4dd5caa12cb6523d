#pragma once
// ZIP archives made byte by byte for the book tests, in every way writers
// make them: stored or deflated (by zlib), with a data descriptor, with
// ZIP64 fields, with a local extra field of its own, with a comment; and
// broken on purpose.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dockline::convert::testutil {

struct ZipItem {
  std::string name{};
  std::string data{};
  bool deflate = true;
  bool descriptor = false;   // sizes and CRC after the data, zero in the local header
  bool zip64 = false;        // sizes and offset in a ZIP64 extra field
  std::string localExtra{};  // an extra field in the local header only
  std::uint16_t flags = 0;
  std::uint16_t method = 0;  // when not 0: this method number, the data stored
  std::uint32_t crcDelta = 0;
};

inline std::string Deflated(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline void Put(std::string& s, std::uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) s.push_back(static_cast<char>(v >> (8 * k)));
}

// The archive of `items`; `zip64End` adds ZIP64's end record and locator.
inline std::string BuildZip(const std::vector<ZipItem>& items, const std::string& comment = {}, bool zip64End = false) {
  std::string out, directory;
  for (const ZipItem& item : items) {
    const std::uint64_t at = out.size();
    const std::uint16_t method = item.method ? item.method : item.deflate ? 8 : 0;
    const std::string packed = item.deflate && !item.method ? Deflated(item.data) : item.data;
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), static_cast<uInt>(item.data.size()))) +
        item.crcDelta;
    const std::uint16_t flags = item.flags | (item.descriptor ? 8 : 0) | 0x800;
    std::string wide;  // the ZIP64 extra field
    if (item.zip64) {
      Put(wide, 1, 2), Put(wide, 24, 2), Put(wide, item.data.size(), 8), Put(wide, packed.size(), 8), Put(wide, at, 8);
    }
    const std::uint32_t small32 = item.zip64 ? 0xFFFFFFFF : 0;
    const auto sizes = [&](std::string& s, bool local) {
      if (local && item.descriptor) {
        Put(s, 0, 4), Put(s, 0, 4), Put(s, 0, 4);
      } else {
        Put(s, crc, 4);
        Put(s, item.zip64 ? small32 : packed.size(), 4);
        Put(s, item.zip64 ? small32 : item.data.size(), 4);
      }
    };
    Put(out, 0x04034b50, 4), Put(out, 45, 2), Put(out, flags, 2), Put(out, method, 2), Put(out, 0, 4);
    sizes(out, true);
    std::string localExtra;  // the local ZIP64 field holds the two sizes only
    if (item.zip64) Put(localExtra, 1, 2), Put(localExtra, 16, 2), Put(localExtra, item.data.size(), 8), Put(localExtra, packed.size(), 8);
    localExtra += item.localExtra;
    Put(out, item.name.size(), 2), Put(out, localExtra.size(), 2);
    out += item.name + localExtra;
    out += packed;
    if (item.descriptor) {
      Put(out, 0x08074b50, 4), Put(out, crc, 4), Put(out, packed.size(), 4), Put(out, item.data.size(), 4);
    }
    Put(directory, 0x02014b50, 4), Put(directory, 45, 2), Put(directory, 45, 2), Put(directory, flags, 2);
    Put(directory, method, 2), Put(directory, 0, 4);
    sizes(directory, false);
    Put(directory, item.name.size(), 2), Put(directory, wide.size(), 2), Put(directory, 0, 2);
    Put(directory, 0, 2), Put(directory, 0, 2), Put(directory, 0, 4), Put(directory, item.zip64 ? small32 : at, 4);
    directory += item.name + wide;
  }
  const std::uint64_t directoryAt = out.size();
  out += directory;
  if (zip64End) {
    const std::uint64_t end64At = out.size();
    Put(out, 0x06064b50, 4), Put(out, 44, 8), Put(out, 45, 2), Put(out, 45, 2), Put(out, 0, 4), Put(out, 0, 4);
    Put(out, items.size(), 8), Put(out, items.size(), 8), Put(out, directory.size(), 8), Put(out, directoryAt, 8);
    Put(out, 0x07064b50, 4), Put(out, 0, 4), Put(out, end64At, 8), Put(out, 1, 4);
  }
  Put(out, 0x06054b50, 4), Put(out, 0, 2), Put(out, 0, 2);
  Put(out, zip64End ? 0xFFFF : items.size(), 2), Put(out, zip64End ? 0xFFFF : items.size(), 2);
  Put(out, zip64End ? 0xFFFFFFFF : directory.size(), 4), Put(out, zip64End ? 0xFFFFFFFF : directoryAt, 4);
  Put(out, comment.size(), 2);
  out += comment;
  return out;
}

}  // namespace dockline::convert::testutil
