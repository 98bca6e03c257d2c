#include "config_dialog/win32/Controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/win32/CDialogBase.h"

std::string CControl::GetText() const {
    HWND h = Handle();
    const int length = GetWindowTextLengthA(h);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(h, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CRadioGroup::Select(int id) {
    if (m_Ids.empty()) return;
    int first = m_Ids.front(), last = m_Ids.front();
    for (int member : m_Ids) {
        if (member < first) first = member;
        if (member > last) last = member;
    }
    CheckRadioButton(m_Dialog, first, last, id);
    m_Selected = id;
}

bool CRadioGroup::Contains(WPARAM wParam) const {
    for (int id : m_Ids)
        if (LOWORD(wParam) == id) return true;
    return false;
}

void CRadioGroup::Enable(bool enable) const {
    for (int id : m_Ids) EnableWindow(GetDlgItem(m_Dialog, id), enable ? TRUE : FALSE);
}

void CScrollBar::SetRange(int minimum, int maximum) {
    m_Min = minimum;
    m_Max = maximum;
    SetScrollRange(Handle(), SB_CTL, minimum, maximum, TRUE);
}

bool CScrollBar::Apply(WPARAM wParam, LPARAM lParam) {
    HWND bar = reinterpret_cast<HWND>(lParam);
    if (!bar || bar != Handle() || GetWindowLongA(bar, GWL_ID) != m_Id) return false;
    const int before = Pos();
    const int after = ScrollStep(before, m_Min, m_Max, LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
    if (after == before) return false;
    SetPos(after);
    return true;
}

void CListBox::Replace(int index, const std::string& text) const {
    Send(LB_DELETESTRING, static_cast<WPARAM>(index));
    Send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void CListBox::MoveSelected(bool up) const {
    const int i = Selection();
    const int j = up ? i - 1 : i + 1;
    if (i < 0 || j < 0 || j >= Count()) return;
    const std::string a = Text(i), b = Text(j);
    Replace(i, b);
    Replace(j, a);
    Select(j);
}

void CListBox::RemoveSelected() const {
    const int i = Selection();
    if (i >= 0) Send(LB_DELETESTRING, static_cast<WPARAM>(i));
}

void CListBox::AddAll(const std::vector<std::string>& lines) const {
    for (const std::string& line : lines) Add(line);
    FitWidth();
}

void CListBox::RemoveSelectedAndFit() const {
    Redraw(false);
    RemoveSelected();
    Redraw(true);
    FitWidth();
    InvalidateRect(Handle(), nullptr, TRUE);
}

std::string CListBox::Text(int index) const {
    const LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CListBox::FitWidth() const {
    HWND list = Handle();
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (int i = 0; i < Count(); ++i) {
        const std::string text = Text(i);
        SIZE size{};
        if (GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    Send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8));
}

void CTabControl::AddPage(CDialogBase* page, const std::string& title) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = title;
    item.pszText = &text[0];
    Send(TCM_INSERTITEMA, m_Pages.size(), reinterpret_cast<LPARAM>(&item));
    m_Pages.push_back(page);
}

void CTabControl::ShowPage(int index) {
    for (CDialogBase* page : m_Pages)
        if (page->Window() && IsWindow(page->Window())) DestroyWindow(page->Window());
    if (index < 0 || index >= static_cast<int>(m_Pages.size())) return;
    CDialogBase* page = m_Pages[static_cast<size_t>(index)];
    HWND window = page->CreateModeless(m_Dialog);
    if (!window) return;
    RECT tab{};
    Send(TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
    // The tab's rectangle is in the tab control's coordinates; the page is a
    // child of the dialog.
    MapWindowPoints(Handle(), m_Dialog, reinterpret_cast<POINT*>(&tab), 2);
    SetWindowPos(window, nullptr, tab.left, tab.bottom + 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_PAINT, 0, 0);
}

void CTabControl::RemoveAll() {
    for (CDialogBase* page : m_Pages)
        if (page->Window() && IsWindow(page->Window())) DestroyWindow(page->Window());
    Send(TCM_DELETEALLITEMS);
    m_Pages.clear();
}

bool ToggleCheckSetting(WPARAM wParam, const std::vector<CheckSetting>& boxes) {
    if (HIWORD(wParam) != BN_CLICKED) return false;
    for (const CheckSetting& b : boxes) {
        if (!b.box->Is(wParam)) continue;
        b.box->Toggle();
        *b.setting = b.box->IsChecked();
        return true;
    }
    return false;
}

void ShowCheckSettings(const std::vector<CheckSetting>& boxes) {
    for (const CheckSetting& b : boxes) b.box->Set(*b.setting);
}

bool ShowOpenFileDialog(HWND owner, const char* filter, const char* defaultExtension, DWORD extraFlags,
                        std::vector<char>& buffer) {
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | extraFlags;
    return GetOpenFileNameA(&ofn) && buffer[0] != '\0';
}
