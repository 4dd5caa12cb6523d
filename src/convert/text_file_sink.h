#pragma once
// The converted book's file: written in pieces as the walk goes, and cut
// back when a chapter has to be read again. Win32 and POSIX backends.

#include <cstdint>
#include <string>

#include "convert/book_writer.h"

namespace dockline::convert {

class TextFileSink : public TextSink {
 public:
  TextFileSink() = default;
  ~TextFileSink() override;
  TextFileSink(const TextFileSink&) = delete;
  TextFileSink& operator=(const TextFileSink&) = delete;

  // Creates or empties the file; 0 or the system's error code.
  std::uint32_t Create(const std::string& path);
  // Both throw BookFailure(WriteFailed) with the system's code.
  void Write(const std::uint8_t* data, std::size_t size) override;
  void Truncate(std::uint64_t size) override;
  // 0 or the system's error code (a delayed write may fail only here).
  std::uint32_t Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t value_ = kNone;
};

}  // namespace dockline::convert
