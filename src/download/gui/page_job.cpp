#include "download/gui/page_job.h"

#include <iterator>
#include <utility>

namespace dockline::download {
namespace {

const char* FailureText(PageJob::Kind kind) {
  switch (kind) {
    case PageJob::Kind::Listing: return "读取U盘出错：";
    case PageJob::Kind::Deleting: return "删除出错：";
    case PageJob::Kind::Adding: return "添加文件出错：";
    case PageJob::Kind::Ticking: break;
  }
  return "出错：";
}

}  // namespace

PageJob::PageJob(Kind kind, FileListView& list, ui::UiPoster ui)
    : kind_(kind), list_(list), worker_(std::move(ui), FailureText(kind)) {}

PageJob::~PageJob() {
  if (suspended_) list_.SuspendDrawing(false);
}

void PageJob::Append(std::vector<FileEntry> rows) {
  std::vector<RowChange> changes(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) changes[i].entry = std::move(rows[i]);
  Change(std::move(changes));
}

void PageJob::Delete(std::vector<PlannedRow> rows) {
  std::vector<RowChange> changes(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) changes[i] = {RowChange::What::Remove, rows[i], false, {}};
  Change(std::move(changes));
}

void PageJob::Change(std::vector<RowChange> changes) {
  std::lock_guard lock(mutex_);
  if (cancelled_) return;
  if (handed_.empty()) {
    handed_ = std::move(changes);
  } else {
    handed_.insert(handed_.end(), std::make_move_iterator(changes.begin()), std::make_move_iterator(changes.end()));
  }
}

void PageJob::Cancel() {
  worker_.RequestStop();
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    handed_.clear();
  }
  // Nothing else changes the list while a job runs: its own rows are the last ones.
  pending_.assign(std::exchange(added_, 0), RowChange{RowChange::What::RemoveLast, {}, false, {}});
}

std::size_t PageJob::Apply(std::chrono::milliseconds budget) {
  // Read before taking what was handed over: whatever the work handed over
  // before it ended is then taken too.
  const bool ended = !worker_.Started() || worker_.Finished();
  {
    std::lock_guard lock(mutex_);
    std::move(handed_.begin(), handed_.end(), std::back_inserter(pending_));
    handed_.clear();
  }
  std::size_t applied = 0;
  if (!pending_.empty()) {
    // A row costs the list microseconds, but under Wine every message to a
    // window of ours asks the server for its object: on a busy machine a row
    // can take milliseconds. The clock is read after each one.
    const auto deadline = Clock::now() + budget;
    if (!suspended_) list_.SuspendDrawing(true);
    suspended_ = true;
    while (!pending_.empty()) {
      RowChange& change = pending_.front();
      switch (change.what) {
        case RowChange::What::Add:
          if (list_.AddRow(std::move(change.entry), change.ticked) >= 0) ++added_;
          break;
        case RowChange::What::Remove: list_.DeleteRowHolding(change.row.row, change.row.key); break;
        case RowChange::What::Tick: list_.TickRowHolding(change.row.row, change.row.key, change.ticked); break;
        case RowChange::What::RemoveLast: list_.DeleteRow(list_.Count() - 1); break;
      }
      pending_.pop_front();
      ++applied;
      if (Clock::now() >= deadline) break;
    }
  }
  // Drawing comes back when the changes are in, and a few times a second on
  // the way: each return costs the list a new layout (some 10 to 20 ms under
  // Wine with 10,000 rows), too much to pay after every batch.
  if (suspended_ && (pending_.empty() || Clock::now() - shown_ >= kShowEvery)) {
    list_.SuspendDrawing(false);
    suspended_ = false;
    shown_ = Clock::now();
  }
  done_ = ended && pending_.empty();
  return applied;
}

}  // namespace dockline::download
