#pragma once
// The download page's long work besides the download: listing the device,
// deleting ticked rows (with their files in the device view), taking the
// files chosen in the file dialog, ticking or unticking every row. The work
// runs on a worker (ui::Worker) where it touches files, and hands its row
// changes over as it goes; the page's timer brings them into the list in
// batches, each with the list's drawing suspended, so the window answers
// between batches however many rows there are.
//
//   auto job = std::make_unique<PageJob>(PageJob::Kind::Listing, list, ui);
//   job->Work().Start([raw = job.get()](std::stop_token stop) { raw->Append(rows); });
//   ... on a timer: job->Apply(budget); once job->Done(), the changes are all in ...
//
// The list must not change otherwise while the job runs: the page refuses
// whatever would add, remove or reorder its rows meanwhile.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "download/file_entry.h"
#include "download/gui/file_list_view.h"
#include "ui/worker.h"

namespace dockline::download {

// A row as the list held it when the job was decided on: its index then,
// and the key it held, so that no other row can be changed in its place.
struct PlannedRow {
  int row = -1;
  RecordKey key = 0;
};

struct RowChange {
  enum class What { Add, Remove, Tick, RemoveLast };  // RemoveLast: a cancelled job's own rows go
  What what = What::Add;
  PlannedRow row;       // Remove, Tick
  bool ticked = true;   // Add, Tick
  FileEntry entry;      // Add
};

class PageJob {
 public:
  enum class Kind { Listing, Deleting, Adding, Ticking };
  using Clock = std::chrono::steady_clock;
  // How often a list being filled or emptied is drawn on the way.
  static constexpr std::chrono::milliseconds kShowEvery{250};

  PageJob(Kind kind, FileListView& list, ui::UiPoster ui);
  // A job let go of half way (the window closing) leaves the list drawing.
  ~PageJob();
  PageJob(const PageJob&) = delete;
  PageJob& operator=(const PageJob&) = delete;

  Kind GetKind() const { return kind_; }
  const FileListView& List() const { return list_; }
  ui::Worker& Work() { return worker_; }

  // Handed over from any thread, applied in that order: rows to append;
  // rows to delete, each below the ones deleted before it, so that no
  // planned index moves; ticks to set.
  void Append(std::vector<FileEntry> rows);
  void Delete(std::vector<PlannedRow> rows);
  void Change(std::vector<RowChange> changes);

  // Raised by the work as it finds things (files of a dropped folder), for
  // the page's timer to show.
  std::atomic<std::size_t>& Found() { return found_; }

  // UI thread: the user gave up on the job. Its work is asked to stop, what
  // it handed over and had not come in yet is dropped, as is whatever it
  // hands over from now on, and the rows it added go again, so the list is
  // as it was before the job. Done() once they are out and the work has
  // ended.
  void Cancel();
  bool Cancelled() const { return cancelled_; }

  // UI thread: brings in what was handed over, until it is all in or
  // `budget` is spent, the list's drawing suspended meanwhile (and between
  // calls, for at most kShowEvery). Answers the number of changes made.
  std::size_t Apply(std::chrono::milliseconds budget);
  // The work has ended (or never had a thread) and everything it handed
  // over is in the list, as of the last Apply.
  bool Done() const { return done_; }

 private:
  Kind kind_;
  FileListView& list_;
  std::mutex mutex_;
  std::vector<RowChange> handed_;  // guarded by mutex_
  bool cancelled_ = false;         // written under mutex_, on the UI thread
  std::deque<RowChange> pending_;  // UI thread only, from here on
  std::size_t added_ = 0;         // the rows this job added: the last ones of the list
  std::atomic<std::size_t> found_{0};
  bool suspended_ = false;  // the list's drawing
  Clock::time_point shown_ = Clock::now();
  bool done_ = false;
  ui::Worker worker_;  // last: it goes first
};

}  // namespace dockline::download
