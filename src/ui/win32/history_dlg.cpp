#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/history_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "core/user_texts.h"
#include "platform/path_text.h"
#include "platform/wide_text.h"
#include "ui/win32/resource.h"
#include "window/history_view.h"

namespace orvik::ui::win {

namespace {

struct Dialog {
  HistoryView view;
  int row = -1;  // the selected one, -1 when none
};

// Column widths in dialog units, as the template measures.
constexpr int kColumnUnits[] = {82, 40, 64, 24, 24, 90};

void ShowRow(HWND hwnd, Dialog& d, int row) {
  d.row = row;
  HWND songs = GetDlgItem(hwnd, IDC_HISTORY_SONGS);
  SendMessageW(songs, LB_RESETCONTENT, 0, 0);
  const bool valid = row >= 0 && static_cast<std::size_t>(row) < d.view.RowCount();
  if (valid) {
    for (const std::string& line : d.view.SongLines(static_cast<std::size_t>(row)))
      SendMessageW(songs, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(platform::Utf8ToWide(line).c_str()));
  }
  EnableWindow(GetDlgItem(hwnd, IDC_HISTORY_EXPORT),
               valid && d.view.CanExport(static_cast<std::size_t>(row)));
}

void FillList(HWND hwnd, Dialog& d) {
  HWND list = GetDlgItem(hwnd, IDC_HISTORY_LIST);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  const auto titles = HistoryView::ColumnTitles();
  for (std::size_t c = 0; c < titles.size(); ++c) {
    RECT units{0, 0, kColumnUnits[c], 0};
    MapDialogRect(hwnd, &units);
    std::wstring title = platform::Utf8ToWide(titles[c]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = (c == 3 || c == 4) ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = units.right;
    column.pszText = title.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (std::size_t r = 0; r < d.view.RowCount(); ++r) {
    const auto cells = d.view.Cells(r);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      std::wstring cell = platform::Utf8ToWide(cells[c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = cell.data();
      SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  if (d.view.RowCount() > 0) {
    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  }
  ShowRow(hwnd, d, d.view.RowCount() > 0 ? 0 : -1);
}

void Export(HWND hwnd, Dialog& d) {
  if (d.row < 0 || !d.view.CanExport(static_cast<std::size_t>(d.row))) return;
  const HistoryEntry& entry = d.view.Entry(static_cast<std::size_t>(d.row));
  std::wstring name = platform::Utf8ToWide(DefaultExportName(entry, ExportFormat::Text));
  name.resize(MAX_PATH * 4, L'\0');
  // "텍스트 파일 (*.txt)\0*.txt\0CSV 파일 (*.csv)\0*.csv\0\0"
  std::wstring filter = platform::Utf8ToWide(text::kHistoryExportText);
  filter += L'\0';
  filter += L"*.txt";
  filter += L'\0';
  filter += platform::Utf8ToWide(text::kHistoryExportCsv);
  filter += L'\0';
  filter += L"*.csv";
  filter += L'\0';
  const std::wstring title = platform::Utf8ToWide(text::kHistoryExportTitle);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = L"txt";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetSaveFileNameW(&ofn)) return;
  name.resize(wcslen(name.c_str()));
  std::filesystem::path file(name);
  // A name typed without an extension takes the chosen kind's.
  if (!file.has_extension()) file += ofn.nFilterIndex == 2 ? L".csv" : L".txt";
  if (!ExportNewSongs(file, entry)) {
    const std::wstring message = platform::Utf8ToWide(text::kHistoryExportFailed) + file.wstring();
    MessageBoxW(hwnd, message.c_str(), platform::Utf8ToWide(text::kHistoryCaption).c_str(),
                MB_OK | MB_ICONWARNING);
  }
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<Dialog*>(lParam);
      SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
      // The texts are the launcher's own, from one place.
      SetWindowTextW(hwnd, platform::Utf8ToWide(text::kHistoryCaption).c_str());
      SetDlgItemTextW(hwnd, IDC_HISTORY_SONGS_TITLE,
                      platform::Utf8ToWide(text::kHistorySongsTitle).c_str());
      SetDlgItemTextW(hwnd, IDC_HISTORY_EXPORT, platform::Utf8ToWide(text::kHistoryExport).c_str());
      SetDlgItemTextW(hwnd, IDCANCEL, platform::Utf8ToWide(text::kHistoryClose).c_str());
      if (d->view.RowCount() == 0)
        SetDlgItemTextW(hwnd, IDC_HISTORY_EMPTY, platform::Utf8ToWide(text::kHistoryEmpty).c_str());
      FillList(hwnd, *d);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (d && change->hdr.idFrom == IDC_HISTORY_LIST && change->hdr.code == LVN_ITEMCHANGED &&
          (change->uChanged & LVIF_STATE) &&
          ((change->uNewState ^ change->uOldState) & LVIS_SELECTED)) {
        const int selected = static_cast<int>(SendDlgItemMessageW(
            hwnd, IDC_HISTORY_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        ShowRow(hwnd, *d, selected);
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_HISTORY_EXPORT:
          if (d) Export(hwnd, *d);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(hwnd, LOWORD(wParam));
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

void ShowHistoryDialog(HWND owner, const std::filesystem::path& moduleDir) {
  Dialog d{HistoryView::Load(moduleDir)};
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HISTORY), owner, DialogProc,
                  reinterpret_cast<LPARAM>(&d));
}

}  // namespace orvik::ui::win
