// Pictures decoded by the Windows Imaging Component: JPEG, PNG, GIF (its
// first frame), TIFF and bitmaps of every kind, with WIC's Fant scaler
// taking a large picture down before we average it in linear light. The
// EXIF orientation is read by our own reader, since not every WIC (Wine's
// among them) answers the metadata query for it.
#include <windows.h>
#include <wincodec.h>

#include <new>
#include <vector>

#include "convert/exif_orientation.h"
#include "convert/picture_decoder.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace dockline::convert {
namespace {

template <typename T>
class Com {
 public:
  Com() = default;
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

// The orientation from the first 128 KiB of a JPEG file.
int OrientationOf(const std::wstring& path) {
  platform::KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  std::vector<std::uint8_t> head(128 * 1024);
  DWORD got = 0;
  if (!ReadFile(file.Get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr)) return 1;
  head.resize(got);
  return JpegOrientation(head);
}

DecodeStatus Decode(const std::wstring& path, PictureSink& sink, const std::stop_token& stop) {
  Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.Out()))))
    return DecodeStatus::NoMemory;
  Com<IWICBitmapDecoder> decoder;
  const HRESULT opened =
      factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.Out());
  if (FAILED(opened)) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return DecodeStatus::Unreadable;
    return opened == E_OUTOFMEMORY ? DecodeStatus::NoMemory : DecodeStatus::NotAPicture;
  }
  Com<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Out()))) return DecodeStatus::Damaged;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x7FFFFFFF ||
      height > 0x7FFFFFFF)
    return DecodeStatus::Damaged;
  GUID container{};
  const bool jpeg = SUCCEEDED(decoder->GetContainerFormat(&container)) && container == GUID_ContainerFormatJpeg;
  if (!sink.Begin(static_cast<int>(width), static_cast<int>(height), jpeg ? OrientationOf(path) : 1))
    return DecodeStatus::Refused;

  IWICBitmapSource* source = frame.get();
  Com<IWICBitmapScaler> scaler;
  const PictureSize smallest = sink.Smallest();
  UINT dw = width, dh = height;
  if (static_cast<UINT>(smallest.width) < width && static_cast<UINT>(smallest.height) < height) {
    dw = static_cast<UINT>(smallest.width);
    dh = static_cast<UINT>(smallest.height);
    if (FAILED(factory->CreateBitmapScaler(scaler.Out())) ||
        FAILED(scaler->Initialize(source, dw, dh, WICBitmapInterpolationModeFant)))
      return DecodeStatus::NoMemory;
    source = scaler.get();
  }
  Com<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return DecodeStatus::NotAPicture;
  sink.Delivering(static_cast<int>(dw), static_cast<int>(dh));

  // A band of rows at a time: few calls, little memory.
  const UINT stride = 4 * dw;
  const UINT band = std::max<UINT>(1, std::min<UINT>(dh, (1u << 20) / stride));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * band);
  for (UINT y = 0; y < dh; y += band) {
    if (stop.stop_requested()) return DecodeStatus::Stopped;
    const UINT rows = std::min(band, dh - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(dw), static_cast<INT>(rows)};
    const HRESULT hr = converter->CopyPixels(&rect, stride, stride * rows, pixels.data());
    if (FAILED(hr)) return hr == E_OUTOFMEMORY ? DecodeStatus::NoMemory : DecodeStatus::Damaged;
    for (UINT r = 0; r < rows; ++r)
      sink.Pixels(static_cast<int>(y + r), 0, 1, static_cast<int>(dw), pixels.data() + static_cast<std::size_t>(stride) * r,
                  PixelOrder::Bgra);
  }
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus DecodePictureFile(const std::string& path, PictureSink& sink, std::stop_token stop) {
  ComScope com;
  try {
    return Decode(platform::Wide(path), sink, stop);
  } catch (const std::bad_alloc&) {
    return DecodeStatus::NoMemory;
  }
}

}  // namespace dockline::convert
