#include "organizer/gui/organizer_page.h"

#include "organizer/gui/contact_dialog.h"
#include "resource.h"

namespace dockline::organizer {

namespace {

struct ColumnLayout {
  const char* title;
  int width;
};
struct ListLayout {
  int id;
  std::initializer_list<ColumnLayout> columns;
};
// Indexed by list: contacts, schedule, tasks, memos.
const ListLayout kLists[OrganizerPage::kListCount] = {
    {IDC_CONTACT_LIST,
     {{"姓名", 100}, {"电话", 150}, {"邮件", 150}, {"网站", 200}, {"地址", 200}, {"公司", 200}, {"职务", 100},
      {"传真", 100}, {"生日", 100}, {"备注", 1000}}},
    {IDC_SCHEDULE_LIST,
     {{"主题", 250}, {"内容", 500}, {"开始日期", 200}, {"结束日期", 200}, {"开始时间", 200}, {"结束时间", 200},
      {"是否提醒", 100}, {"重复周期", 200}, {"提前时间", 200}}},
    {IDC_TASK_LIST, {{"任务主题", 250}, {"开始时间", 200}, {"结束时间", 200}, {"是否完成", 100}, {"任务内容", 1500}}},
    {IDC_MEMO_LIST, {{"主题", 150}, {"日期", 100}, {"时间", 100}, {"内容", 1000}}},
};

constexpr DWORD kListStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FLATSB;

}  // namespace

const ui::Handler<OrganizerPage> OrganizerPage::kMessages[] = {
    {WM_COMMAND, BN_CLICKED, IDC_ORGANIZER_ADD, &OrganizerPage::OnAdd},
    // Delete, sync and the filter have nothing to act on yet.
    {WM_COMMAND, BN_CLICKED, IDC_ORGANIZER_DELETE, &OrganizerPage::OnIgnore},
    {WM_COMMAND, BN_CLICKED, IDC_ORGANIZER_SYNC, &OrganizerPage::OnIgnore},
};

OrganizerPage::OrganizerPage() : ui::Page(IDD_ORGANIZER_PAGE) {}

OrganizerPage::~OrganizerPage() {
  if (Handle()) Destroy();
}

bool OrganizerPage::OnMessage(const ui::Message& m, LRESULT& result) {
  return ui::Dispatch(*this, kMessages, m, result) || ui::Page::OnMessage(m, result);
}

bool OrganizerPage::OnInitDialog() {
  HWND hwnd = Handle();
  filterLabel_.Bind(hwnd, IDC_FILTER_LABEL);
  categoryFilter_.Bind(hwnd, IDC_CATEGORY_FILTER);
  for (const char* item : {"全部", "商务", "朋友", "同学", "同事", "亲戚", "其他"}) categoryFilter_.Add(item);

  RECT r{};
  ::GetWindowRect(::GetDlgItem(hwnd, IDC_CONTACT_LIST), &r);
  ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
  for (int i = 0; i < kListCount; ++i) {
    lists_[i].Bind(hwnd, kLists[i].id);
    lists_[i].SetExtendedStyle(kListStyle);
    ::MoveWindow(lists_[i].Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  for (int i = 0; i < kListCount; ++i) {
    int column = 0;
    for (const ColumnLayout& c : kLists[i].columns) lists_[i].InsertColumn(column++, c.title, c.width);
  }
  ShowList(0);
  return true;
}

void OrganizerPage::ShowList(std::uint32_t index) {
  if (index == currentList_) return;
  if (index < kListCount) {
    for (std::uint32_t i = 0; i < kListCount; ++i) lists_[i].Show(i == index);
    filterLabel_.Show(index == 0);
    categoryFilter_.Show(index == 0);
  }
  currentList_ = index;
}

LRESULT OrganizerPage::OnAdd(const ui::Message&) {
  ContactDialog dialog;
  dialog.DoModal(Handle());
  return 0;
}

LRESULT OrganizerPage::OnIgnore(const ui::Message&) { return 0; }

}  // namespace dockline::organizer
