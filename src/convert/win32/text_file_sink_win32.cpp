#include <windows.h>

#include <algorithm>
#include <utility>

#include "convert/text_file_sink.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::convert {
namespace {

HANDLE AsHandle(std::intptr_t v) { return reinterpret_cast<HANDLE>(v); }

}  // namespace

TextFileSink::~TextFileSink() { Close(); }

std::uint32_t TextFileSink::Create(const std::string& path) {
  Close();
  platform::KernelHandle file(::CreateFileW(platform::Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  value_ = reinterpret_cast<std::intptr_t>(file.Release());
  return 0;
}

void TextFileSink::Write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD wrote = 0;
    if (!::WriteFile(AsHandle(value_), data, piece, &wrote, nullptr) || wrote == 0)
      throw BookFailure(BookProblem::WriteFailed, ::GetLastError());
    data += wrote;
    size -= wrote;
  }
}

void TextFileSink::Truncate(std::uint64_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(AsHandle(value_), at, nullptr, FILE_BEGIN) || !::SetEndOfFile(AsHandle(value_)))
    throw BookFailure(BookProblem::WriteFailed, ::GetLastError());
}

std::uint32_t TextFileSink::Close() {
  if (value_ == kNone) return 0;
  // The handle lives in a portable slot; its owner type gives it back.
  platform::KernelHandle file(AsHandle(std::exchange(value_, kNone)));
  return file.Close() ? 0 : ::GetLastError();
}

}  // namespace dockline::convert
