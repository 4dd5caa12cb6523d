// The XML reader on Windows: XmlLite, which every Windows since XP SP3
// carries. mingw ships its header but no import library, so the one
// function it needs is taken from the system's own copy at run time.
#include <windows.h>
#include <objbase.h>
#include <xmllite.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "convert/xml_reader.h"
#include "platform/win32/read_only_stream.h"
#include "platform/win32/wide.h"

namespace dockline::convert {
namespace {

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFunction CreateXmlReaderFromSystem() {
  static const CreateXmlReaderFunction function = []() -> CreateXmlReaderFunction {
    // By its full path in the system folder: never a copy planted beside a book.
    wchar_t folder[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, n) + L"\\xmllite.dll";
    const HMODULE module = ::LoadLibraryW(path.c_str());
    if (!module) return nullptr;
    return reinterpret_cast<CreateXmlReaderFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateXmlReader")));
  }();
  return function;
}

// Our source as the stream XmlLite reads from. It lives inside the reader
// below and outlives XmlLite's use of it; the count is kept for COM's sake.
class SourceStream final : public platform::ReadOnlyStream {
 public:
  explicit SourceStream(ByteSource& source) : source_(source) {}

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  // No exception may cross XmlLite's frames: it is kept and thrown again
  // once the reader has returned.
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
    if (read) *read = 0;
    if (failure_) return E_FAIL;
    try {
      // A short read means the end to XmlLite: the request is filled whole.
      auto* out = static_cast<std::uint8_t*>(buffer);
      std::size_t n = 0;
      while (n < size) {
        const std::size_t got = ascii_ ? ReadAscii(out + n, size - n) : source_.Read(out + n, size - n);
        if (got == 0) break;
        n += got;
      }
      if (read) *read = static_cast<ULONG>(n);
      return n < size ? S_FALSE : S_OK;
    } catch (...) {
      failure_ = std::current_exception();
      return E_FAIL;
    }
  }

  void ThrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  // Wine's XmlLite loses UTF-8 characters that its reading buffer ends in
  // (the bytes it keeps for the next piece are taken from the wrong place),
  // so a long Chinese book would come out with '?' every few thousand
  // characters. There every character beyond ASCII is given as a character
  // reference instead (中 as &#x4E2D;), which reads the same in text and in
  // attribute values; our cleaner hands over well-formed UTF-8 only.
  // Windows' own XmlLite reads the UTF-8 as it is.
  static bool UnderWine() {
    static const bool wine = [] {
      const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
      return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
  }

  std::size_t ReadAscii(std::uint8_t* out, std::size_t size) {
    while (ready_ == pending_.size()) {
      pending_.clear();
      ready_ = 0;
      std::uint8_t piece[8192];
      const std::size_t got = source_.Read(piece, sizeof piece);
      if (got == 0) {
        pending_.append(reinterpret_cast<const char*>(partial_), partialCount_);  // cut off: as it was
        partialCount_ = 0;
        if (pending_.empty()) return 0;
        break;
      }
      for (std::size_t i = 0; i < got; ++i) TakeByte(piece[i]);
    }
    const std::size_t n = std::min(size, pending_.size() - ready_);
    std::memcpy(out, pending_.data() + ready_, n);
    ready_ += n;
    return n;
  }

  // Whether `b` completes `marker`, followed byte by byte.
  bool Completes(std::string_view marker, std::uint8_t b) {
    if (static_cast<char>(b) == marker[matched_]) {
      if (++matched_ < marker.size()) return false;
      matched_ = 0;
      return true;
    }
    // "]]]>" still ends a section: a third ']' keeps the two before it.
    if (!(matched_ == 2 && marker == "]]>" && b == ']')) matched_ = static_cast<char>(b) == marker[0] ? 1 : 0;
    return false;
  }

  void TakeByte(std::uint8_t b) {
    // A CDATA section takes no references: it goes as it is.
    if (inCData_) {
      pending_.push_back(static_cast<char>(b));
      if (Completes("]]>", b)) inCData_ = false;
      return;
    }
    if (b < 0x80 && Completes("<![CDATA[", b)) inCData_ = true;
    if (partialCount_ > 0 && (b & 0xC0) != 0x80) {  // a sequence cut short: its bytes as they were
      pending_.append(reinterpret_cast<const char*>(partial_), partialCount_);
      partialCount_ = 0;
    }
    if (partialCount_ == 0) {
      if (b < 0xC2 || b > 0xF4) {  // ASCII, or no lead byte: as it is
        pending_.push_back(static_cast<char>(b));
        return;
      }
      partial_[partialCount_++] = b;
      return;
    }
    partial_[partialCount_++] = b;
    const std::size_t length = partial_[0] >= 0xF0 ? 4 : partial_[0] >= 0xE0 ? 3 : 2;
    if (partialCount_ < length) return;
    char32_t c = partial_[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (partial_[i] & 0x3F);
    char reference[16];
    std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c));
    pending_.append(reference);
    partialCount_ = 0;
  }

  ByteSource& source_;
  std::atomic<ULONG> references_{1};
  std::exception_ptr failure_;
  const bool ascii_ = UnderWine();
  std::string pending_;  // what the next reads give
  std::size_t ready_ = 0;
  std::uint8_t partial_[4] = {};
  std::size_t partialCount_ = 0;
  bool inCData_ = false;
  std::size_t matched_ = 0;  // bytes of the marker looked for seen so far
};

constexpr std::wstring_view kXmlnsNamespace = L"http://www.w3.org/2000/xmlns/";

class XmlLiteReader : public XmlReader {
 public:
  explicit XmlLiteReader(ByteSource& source) : stream_(source) {
    const CreateXmlReaderFunction create = CreateXmlReaderFromSystem();
    // Without XmlLite every document goes through the tolerant scan.
    if (!create || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader_), nullptr))) {
      reader_ = nullptr;
      return;
    }
    reader_->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader_->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxElementDepth);
    reader_->SetProperty(XmlReaderProperty_XmlResolver, 0);
    if (FAILED(reader_->SetInput(static_cast<IStream*>(&stream_)))) {
      reader_->Release();
      reader_ = nullptr;
    }
  }
  ~XmlLiteReader() override {
    if (reader_) {
      reader_->SetInput(nullptr);
      reader_->Release();
    }
  }

  Event Next() override {
    if (!reader_) throw XmlMalformed();
    if (pendingEnd_) {
      pendingEnd_ = false;
      return Event::End;
    }
    XmlNodeType type = XmlNodeType_None;
    HRESULT hr;
    while ((hr = reader_->Read(&type)) == S_OK) {
      switch (type) {
        case XmlNodeType_Element: {
          Name();
          const bool empty = reader_->IsEmptyElement() != FALSE;
          attributes_.clear();
          for (HRESULT more = reader_->MoveToFirstAttribute(); more == S_OK; more = reader_->MoveToNextAttribute()) {
            const std::wstring_view ns = Value(&IXmlReader::GetNamespaceUri);
            if (ns == kXmlnsNamespace) continue;
            attributes_.push_back({platform::Narrow(ns), platform::Narrow(Value(&IXmlReader::GetLocalName)),
                                   platform::Narrow(Value(&IXmlReader::GetValue))});
          }
          reader_->MoveToElement();
          pendingEnd_ = empty;
          return Event::Start;
        }
        case XmlNodeType_EndElement: Name(); return Event::End;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace:
          text_ = platform::Narrow(Value(&IXmlReader::GetValue));
          return Event::Text;
        default: break;
      }
    }
    stream_.ThrowFailure();  // a stop or a damaged entry is not a bad document
    if (hr == S_FALSE) return Event::Done;
    throw XmlMalformed();
  }

 private:
  std::wstring_view Value(HRESULT (STDMETHODCALLTYPE IXmlReader::*get)(LPCWSTR*, UINT*)) {
    LPCWSTR value = nullptr;
    UINT length = 0;
    if (FAILED((reader_->*get)(&value, &length)) || !value) return {};
    return {value, length};
  }

  void Name() {
    local_ = platform::Narrow(Value(&IXmlReader::GetLocalName));
    ns_ = platform::Narrow(Value(&IXmlReader::GetNamespaceUri));
  }

  SourceStream stream_;
  IXmlReader* reader_ = nullptr;
  bool pendingEnd_ = false;
};

}  // namespace

std::unique_ptr<XmlReader> OpenXmlReader(ByteSource& source) { return std::make_unique<XmlLiteReader>(source); }

}  // namespace dockline::convert
