// Pictures decoded by the Windows Imaging Component: JPEG, PNG, GIF (its
// first frame), TIFF, every row handed to our own averaging in linear light.
// Bitmaps go to our own reader, so they look the same on every platform.
//
// WIC is handed a file only once its header, read by us, has been accepted:
// its shape by the sink, and for a JPEG the coefficients a progressive or
// multi-scan decode keeps. Wine's WIC decodes the whole picture while the
// decoder is created, before the first CopyPixels (a 100-megapixel JPEG or
// PNG: 0.3 GB, and 4 to 5 s on a busy machine before the decoder even
// exists), so nothing may be left to find out from it. It reads the file
// through our own stream, whose reads fail once the stop is requested: the
// one way to end such a decode early. Between bands of CopyPixels the stop
// is tested too, for a WIC that decodes as it is asked.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "convert/bitmap_reader.h"
#include "convert/picture_decoder.h"
#include "convert/picture_fit.h"
#include "convert/picture_header.h"
#include "platform/read_only_file.h"
#include "platform/win32/read_only_stream.h"

namespace dockline::convert {
namespace {

template <typename T>
class Com {
 public:
  Com() = default;
  explicit Com(T* p) : p_(p) {}
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p_) p_->Release();
  }
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for this thread, for as long as the decoding lasts; a thread that has
// it already (in whichever model) keeps it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

// The file as WIC reads it. Once the stop is requested every read fails, and
// the decoder gives up wherever it is. Reads are served from a buffer of
// our own: Wine's JPEG decoder asks for a kilobyte at a time.
class FileStream final : public platform::ReadOnlyStream {
 public:
  explicit FileStream(std::stop_token stop) : stop_(std::move(stop)) {}

  platform::ReadOnlyFile& File() { return file_; }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG size, ULONG* read) override {
    if (read) *read = 0;
    if (!into) return STG_E_INVALIDPOINTER;
    if (stop_.stop_requested()) return E_ABORT;
    auto* out = static_cast<std::uint8_t*>(into);
    ULONG done = 0;
    while (done < size) {
      if (position_ < bufferAt_ || position_ >= bufferAt_ + buffered_) {
        bufferAt_ = position_;
        buffered_ = 0;
        if (file_.ReadAt(position_, buffer_.data(), buffer_.size(), buffered_) != 0) return STG_E_READFAULT;
        if (buffered_ == 0) break;  // the end of the file
      }
      const std::size_t from = static_cast<std::size_t>(position_ - bufferAt_);
      const ULONG n = static_cast<ULONG>(std::min<std::size_t>(size - done, buffered_ - from));
      std::copy_n(buffer_.data() + from, n, out + done);
      done += n;
      position_ += n;
    }
    if (read) *read = done;
    return done == size ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    const std::int64_t base = origin == STREAM_SEEK_SET   ? 0
                              : origin == STREAM_SEEK_CUR ? static_cast<std::int64_t>(position_)
                              : origin == STREAM_SEEK_END ? static_cast<std::int64_t>(file_.Size())
                                                          : -1;
    if (base < 0) return STG_E_INVALIDFUNCTION;
    const std::int64_t to = base + move.QuadPart;
    if (to < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::uint64_t>(to);
    if (now) now->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = file_.Size();
    stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
    return S_OK;
  }

 private:
  ~FileStream() = default;  // only Release ends it

  std::atomic<ULONG> references_{1};
  std::stop_token stop_;
  platform::ReadOnlyFile file_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(std::size_t{64} << 10);
  std::uint64_t bufferAt_ = 0;
  std::size_t buffered_ = 0;
  std::uint64_t position_ = 0;
};

DecodeStatus FromCopy(HRESULT hr) { return hr == E_OUTOFMEMORY ? DecodeStatus::NoMemory : DecodeStatus::Damaged; }

// Rows of `source` (32bppBGRA, width × height), a band at a time: few calls,
// little memory; `row` gets each row and its number.
template <class Row>
DecodeStatus CopyBands(IWICBitmapSource* source, UINT width, UINT height, const std::stop_token& stop, Row row) {
  const UINT stride = 4 * width;
  const UINT band = std::max<UINT>(1, std::min<UINT>(height, (1u << 20) / stride));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * band);
  for (UINT y = 0; y < height; y += band) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    const UINT rows = std::min(band, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    if (const HRESULT hr = source->CopyPixels(&rect, stride, stride * rows, pixels.data()); FAILED(hr))
      return FromCopy(hr);
    for (UINT r = 0; r < rows; ++r) row(y + r, pixels.data() + static_cast<std::size_t>(stride) * r);
  }
  return DecodeStatus::Ok;
}

// A GIF's first frame where it lies on its screen, the rest of the screen
// white; what reaches past the screen is cut off. WIC gives the frame alone.
DecodeStatus DeliverGifFrame(IWICBitmapSource* frame, UINT width, UINT height, const PictureHeader& gif,
                             PictureSink& sink, const std::stop_token& stop) {
  const int screenWidth = gif.width, screenHeight = gif.height;
  sink.Delivering(screenWidth, screenHeight);
  std::vector<std::uint8_t> white(4 * static_cast<std::size_t>(screenWidth), 0xFF);
  const int left = gif.frameLeft, top = gif.frameTop;
  const int across = std::clamp(screenWidth - left, 0, static_cast<int>(width));
  const int down = std::clamp(screenHeight - top, 0, static_cast<int>(height));
  for (int y = 0; y < screenHeight; ++y)
    if (y < top || y >= top + down || across == 0) sink.Pixels(y, 0, 1, screenWidth, white.data(), PixelOrder::Bgra);
  if (across == 0 || down == 0) return DecodeStatus::Ok;
  std::vector<std::uint8_t> row(white);
  return CopyBands(frame, width, static_cast<UINT>(down), stop, [&](UINT r, const std::uint8_t* pixels) {
    std::copy_n(pixels, 4 * static_cast<std::size_t>(across), row.data() + 4 * static_cast<std::size_t>(left));
    sink.Pixels(top + static_cast<int>(r), 0, 1, screenWidth, row.data(), PixelOrder::Bgra);
  });
}

DecodeStatus Decode(const std::string& path, PictureSink& sink, const std::stop_token& stop) {
  Com<FileStream> stream(new FileStream(stop));
  if (stream->File().Open(path) != 0) return DecodeStatus::Unreadable;
  const PictureHeader header = ReadPictureHeader(FileBytes(stream->File()));
  if (header.status == HeaderStatus::Unreadable) return DecodeStatus::Unreadable;
  if (header.kind == PictureKind::Bitmap) {
    stream->File().Close();
    return DecodeBitmapFile(path, sink, stop);
  }
  // Kinds we read the header of are settled before WIC sees a byte; others
  // (TIFF) as soon as it tells their size.
  const bool known = header.kind != PictureKind::Other;
  if (known) {
    if (header.status == HeaderStatus::Damaged) return DecodeStatus::Damaged;
    if (!sink.Begin(header.width, header.height, header.orientation)) return DecodeStatus::Refused;
    if (ExceedsDecodeBudget(header)) return DecodeStatus::OverBudget;
    // Every frame is held whole, and a frame may claim far more than its screen.
    if (header.kind == PictureKind::Gif &&
        static_cast<std::uint64_t>(header.frameWidth) * static_cast<std::uint64_t>(header.frameHeight) >
            kMaxPicturePixels)
      return DecodeStatus::OverBudget;
  }

  Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.Out()))))
    return DecodeStatus::NoMemory;
  Com<IWICBitmapDecoder> decoder;
  if (const HRESULT hr =
          factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out());
      FAILED(hr)) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    if (hr == E_OUTOFMEMORY) return DecodeStatus::NoMemory;
    return known ? DecodeStatus::Damaged : DecodeStatus::NotAPicture;
  }
  Com<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Out())))
    return stop.stop_requested() ? DecodeStatus::Stopped : DecodeStatus::Damaged;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    return DecodeStatus::Damaged;
  if (!known && !sink.Begin(static_cast<int>(width), static_cast<int>(height), 1)) return DecodeStatus::Refused;
  // WIC and our reader must agree on what was accepted.
  if (header.kind == PictureKind::Jpeg || header.kind == PictureKind::Png) {
    if (width != static_cast<UINT>(header.width) || height != static_cast<UINT>(header.height))
      return DecodeStatus::Damaged;
  }

  // Every row at its full size, for our own averaging: Wine's scaler only
  // samples (whatever mode is asked), and fine stripes came out as bands of
  // black and white.
  Com<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return DecodeStatus::NotAPicture;
  if (header.kind == PictureKind::Gif) return DeliverGifFrame(converter.get(), width, height, header, sink, stop);
  sink.Delivering(static_cast<int>(width), static_cast<int>(height));
  return CopyBands(converter.get(), width, height, stop, [&](UINT y, const std::uint8_t* pixels) {
    sink.Pixels(static_cast<int>(y), 0, 1, static_cast<int>(width), pixels, PixelOrder::Bgra);
  });
}

}  // namespace

DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  ComScope com;
  try {
    return Decode(path, sink, stop);
  } catch (const std::bad_alloc&) {
    return DecodeStatus::NoMemory;
  }
}

}  // namespace dockline::convert
