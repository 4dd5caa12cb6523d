// The XML reader on Windows: XmlLite, which every Windows since XP SP3
// carries. mingw ships its header but no import library, so the one
// function it needs is taken from the system's own copy at run time.
#include <windows.h>
#include <objbase.h>
#include <xmllite.h>

#include <atomic>
#include <exception>
#include <string>

#include "convert/xml_reader.h"
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
class SourceStream final : public IStream {
 public:
  explicit SourceStream(ByteSource& source) : source_(source) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream) || iid == __uuidof(IStream)) {
      *out = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
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
        const std::size_t got = source_.Read(out + n, size - n);
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
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  void ThrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  ByteSource& source_;
  std::atomic<ULONG> references_{1};
  std::exception_ptr failure_;
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
