#include "download/gui/page_job.h"

#include <iterator>

namespace dockline::download {
namespace {

const char* FailureText(PageJob::Kind kind) {
  switch (kind) {
    case PageJob::Kind::Listing: return "读取U盘出错：";
    case PageJob::Kind::Deleting: return "删除出错：";
    case PageJob::Kind::Adding: return "添加文件出错：";
  }
  return "出错：";
}

}  // namespace

PageJob::PageJob(Kind kind, FileListView& list, ui::UiPoster ui)
    : kind_(kind), list_(list), worker_(std::move(ui), FailureText(kind)) {}

void PageJob::Append(std::vector<FileEntry> rows) {
  std::lock_guard lock(mutex_);
  if (handedRows_.empty()) {
    handedRows_ = std::move(rows);
  } else {
    handedRows_.insert(handedRows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  }
}

void PageJob::Delete(std::vector<PlannedRow> rows) {
  std::lock_guard lock(mutex_);
  handedDeletions_.insert(handedDeletions_.end(), rows.begin(), rows.end());
}

std::size_t PageJob::Apply(std::chrono::milliseconds budget) {
  using Clock = std::chrono::steady_clock;
  // Read before taking what was handed over: whatever the work handed over
  // before it ended is then taken too.
  const bool ended = !worker_.Started() || worker_.Finished();
  {
    std::lock_guard lock(mutex_);
    std::move(handedRows_.begin(), handedRows_.end(), std::back_inserter(toAppend_));
    handedRows_.clear();
    toDelete_.insert(toDelete_.end(), handedDeletions_.begin(), handedDeletions_.end());
    handedDeletions_.clear();
  }
  std::size_t applied = 0;
  if (!toAppend_.empty() || !toDelete_.empty()) {
    // A row costs the list microseconds, but under Wine every message to a
    // window of ours asks the server for its object: on a busy machine a row
    // can take milliseconds. The clock is read after each one.
    const auto deadline = Clock::now() + budget;
    list_.SuspendDrawing(true);
    while (!toAppend_.empty() || !toDelete_.empty()) {
      if (!toDelete_.empty()) {
        list_.DeleteRowHolding(toDelete_.front().row, toDelete_.front().key);
        toDelete_.pop_front();
      } else {
        list_.AddRow(std::move(toAppend_.front()), true);
        toAppend_.pop_front();
      }
      ++applied;
      if (Clock::now() >= deadline) break;
    }
    list_.SuspendDrawing(false);
  }
  done_ = ended && toAppend_.empty() && toDelete_.empty();
  return applied;
}

}  // namespace dockline::download
