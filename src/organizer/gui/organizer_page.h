#pragma once
// The organizer page: the second child page of the main window, standing for
// the device's personal-information books (contact cards, schedule, tasks,
// memos). Four report lists lie stacked on one rectangle and one is shown at
// a time; the contact list alone has the category filter. Only 新增 does
// anything: it opens the contact card dialog. The page holds no records.
//
//   page.Create(mainWindow);                  // hidden until a book is chosen
//   page.ShowList(entry - 9);
#include <windows.h>

#include <cstdint>

#include "ui/control_refs.h"
#include "ui/page.h"

namespace dockline::organizer {

class OrganizerPage : public ui::Page {
 public:
  static constexpr int kListCount = 4;
  // No list shown yet.
  static constexpr std::uint32_t kNoList = 16777215;

  OrganizerPage();
  ~OrganizerPage() override;

  // Shows list `index` (0 contacts, 1 schedule, 2 tasks, 3 memos) and hides
  // the others; the category filter shows with the contact list only. An
  // index of 4 or more (the back-up entry) changes nothing on screen but is
  // remembered, so that any list index after it switches again.
  void ShowList(std::uint32_t index);
  std::uint32_t CurrentList() const { return currentList_; }
  HWND List(int index) const { return lists_[index].Handle(); }

 protected:
  bool OnInitDialog() override;
  bool OnMessage(const ui::Message& m, LRESULT& result) override;

 private:
  LRESULT OnAdd(const ui::Message& m);
  LRESULT OnIgnore(const ui::Message& m);
  static const ui::Handler<OrganizerPage> kMessages[];

  std::uint32_t currentList_ = kNoList;
  ui::ListViewRef lists_[kListCount];
  ui::ControlRef filterLabel_;
  ui::ComboBoxRef categoryFilter_;
};

}  // namespace dockline::organizer
