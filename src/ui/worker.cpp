#include "ui/worker.h"

#include <exception>
#include <system_error>

#include "ui/failure.h"
#include "ui/message_box.h"

namespace dockline::ui {

Worker::Worker(UiPoster ui, std::string_view failureText) : ui_(std::move(ui)), failureText_(failureText) {}

Worker::~Worker() {
  Shutdown();
  Join();
}

bool Worker::Start(std::function<void(std::stop_token)> work) {
  if (used_ || !work) return false;
  used_ = true;
  ended_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ended_) return false;
  try {
    thread_ = std::jthread([this, work = std::move(work)] {
      try {
        work(stop_.get_token());
      } catch (const std::exception& e) {
        // Nothing may vanish without a trace: the user hears of it.
        RecordFailureText("worker", e.what());
        try {
          Tell([text = failureText_ + e.what()] { AppMessageBox(text); });
        } catch (...) {
        }
      } catch (...) {
        RecordFailure("worker");
      }
      finished_.store(true, std::memory_order_release);
      ::SetEvent(ended_.Get());
    });
  } catch (const std::system_error&) {
    return false;  // no thread to be had: nothing was started
  }
  return true;
}

void Worker::Join() {
  if (!thread_.joinable()) return;
  std::optional<WPARAM> quit;
  const HANDLE event = ended_.Get();
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;  // ended, or the wait itself failed
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = msg.wParam;
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  thread_.join();
  if (quit) ::PostQuitMessage(static_cast<int>(*quit));
}

void WorkerNotifier::ShowMessage(std::string_view utf8) {
  worker_.Tell([text = std::string(utf8)] { AppMessageBox(text); });
}

}  // namespace dockline::ui
