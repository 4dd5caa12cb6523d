#include "ui/resources.h"

#include "platform/win32/wide.h"

namespace dockline::ui {
namespace {
HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }
}  // namespace

Bitmap LoadBitmapResource(int id) {
  return Bitmap(static_cast<HBITMAP>(::LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
}

Cursor LoadCursorResource(int id) {
  return Cursor(static_cast<HCURSOR>(::LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE)));
}

Icon LoadIconResource(int id, int size) {
  const UINT flags = size == 0 ? LR_DEFAULTSIZE : 0;
  return Icon(static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, flags)));
}

std::string LoadStringResource(int id) {
  // With a zero-length buffer LoadStringW answers a pointer to the resource
  // itself (not terminated) and its length.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(Module(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  return platform::Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

}  // namespace dockline::ui
