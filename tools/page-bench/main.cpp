// Measures the download page with many files, under Wine or Windows:
// adding 10,000 chosen files (size lookups, rows, records, status line),
// sorting them by name and by size, and ticking one row among them.
//   dockline-page-bench [FILES]
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/category_selection.h"
#include "download/gui/download_page.h"
#include "platform/file_system.h"
#include "resource.h"
#include "ui/window.h"

using namespace dockline;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The page with the chosen files handed over directly instead of by the dialog.
class BenchView : public download::CategorySelectionView {
 public:
  BenchView(download::DownloadPage& page, std::vector<std::string> paths) : page_(page), paths_(std::move(paths)) {}
  void ShowMessage(std::string_view utf8) override { std::fprintf(stderr, "box: %.*s\n", int(utf8.size()), utf8.data()); }
  void ShowPage() override {}
  download::FileChoice ChooseFiles(int, const std::string&) override {
    return {download::FileChoice::Outcome::Chosen, paths_};
  }
  void BeginAdding() override { page_.BeginAdding(); }
  void AddRow(download::FileEntry entry) override { page_.AddFile(std::move(entry)); }
  void EndAdding() override { page_.EndAdding(); }
  void Refresh() override {
    page_.UpdateSelectionStatus();
    page_.ShowLocalList();
  }

 private:
  download::DownloadPage& page_;
  std::vector<std::string> paths_;
};

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc > 1 ? _wtoi(argv[1]) : 10000;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);

  // The files, with names in a mixed order and sizes past 4 GiB never needed.
  const std::string folder = platform::TempFolder() + "dockline-page-bench";
  platform::MakeDirectory(folder);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    const std::string path = folder + "\\歌曲" + std::to_string((i * 7919) % count) + ".wma";
    if (!platform::FileExists(path)) platform::WriteWholeFile(path, path.data(), path.size());
    paths.push_back(path);
  }

  ui::RegisterWindowClass(L"DocklineBenchHost", CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ui::Window host;
  host.Create(L"DocklineBenchHost", "bench", WS_POPUP | WS_CLIPCHILDREN, 0, RECT{0, 0, 609, 530}, nullptr);
  ::ShowWindow(host.Handle(), SW_SHOW);
  download::DownloadPage page;
  page.Create(host.Handle());
  page.Show();
  Pump();

  download::DownloadPathStore settings;
  settings.SetFile(folder + "\\dict.ini");
  BenchView view(page, paths);
  auto start = Clock::now();
  for (const std::string& p : paths) platform::FileSize(p);
  const double sizesMs = MsSince(start);
  start = Clock::now();
  download::SelectCategory(0, false, settings, view, &platform::FileSize);
  const double addMs = MsSince(start);
  Pump();

  start = Clock::now();
  page.PcList().SortByColumn(download::kNameColumn);
  const double sortNameMs = MsSince(start);
  start = Clock::now();
  page.PcList().SortByColumn(download::kNameColumn);
  const double sortNameDescMs = MsSince(start);
  start = Clock::now();
  page.PcList().SortByColumn(download::kSizeColumn);
  const double sortSizeMs = MsSince(start);
  Pump();

  constexpr int kTicks = 50;
  start = Clock::now();
  for (int i = 0; i < kTicks; ++i) page.PcList().List().SetChecked(i * 97 % count, i % 2 != 0);
  const double tickMs = MsSince(start) / kTicks;

  std::printf("rows %d, records %zu, status \"%s\"\n", page.PcList().Count(), page.PcList().RecordCount(),
              page.ItemText(IDC_SELECTION_STATUS).c_str());
  std::printf("add %d files (sizes, rows, records, status line): %.0f ms\n", count, addMs);
  std::printf("  of which the size lookups alone: %.0f ms\n", sizesMs);
  std::printf("sort by name ascending: %.0f ms, descending: %.0f ms; by size: %.0f ms\n", sortNameMs, sortNameDescMs,
              sortSizeMs);
  std::printf("tick one row (status line recomputed): %.2f ms\n", tickMs);
  page.Destroy();
  host.Destroy();
  return 0;
}
