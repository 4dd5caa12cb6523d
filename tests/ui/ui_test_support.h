#pragma once
// Helpers shared by the Windows framework and control tests.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dockline::testing {

inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Pumps until `done` holds or the time is up; answers `done()`.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

// A dialog template built in memory, for dialogs the tests create without a
// resource script.
class MemoryDialogTemplate {
 public:
  MemoryDialogTemplate(DWORD style, short x, short y, short cx, short cy, const wchar_t* caption = L"") {
    style |= DS_SETFONT;
    PushDword(style);
    PushDword(0);  // extended style
    countIndex_ = words_.size();
    words_.push_back(0);  // number of items
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // dialog class
    PushString(caption);
    words_.push_back(9);  // point size
    PushString(L"Tahoma");
  }
  // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
  void AddControl(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const wchar_t* text) {
    if (words_.size() % 2) words_.push_back(0);  // DWORD alignment
    PushDword(style | WS_CHILD | WS_VISIBLE);
    PushDword(0);
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    PushString(text);
    words_.push_back(0);  // no creation data
    ++words_[countIndex_];
  }
  // A control of a class given by name (a common control, say).
  void AddNamedControl(DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* className,
                       const wchar_t* text) {
    if (words_.size() % 2) words_.push_back(0);
    PushDword(style | WS_CHILD | WS_VISIBLE);
    PushDword(0);
    words_.push_back(static_cast<WORD>(x));
    words_.push_back(static_cast<WORD>(y));
    words_.push_back(static_cast<WORD>(cx));
    words_.push_back(static_cast<WORD>(cy));
    words_.push_back(id);
    PushString(className);
    PushString(text);
    words_.push_back(0);
    ++words_[countIndex_];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void PushDword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void PushString(const wchar_t* s) {
    for (; *s; ++s) words_.push_back(static_cast<WORD>(*s));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
  std::size_t countIndex_ = 0;
};

inline std::string ColourText(COLORREF c) {
  return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
         std::to_string(GetBValue(c)) + ")";
}

}  // namespace dockline::testing
