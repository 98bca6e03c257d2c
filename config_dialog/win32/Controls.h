// Thin wrappers that turn member calls into dialog-control calls. Decisions
// (the scroll stepping, what a change means) live elsewhere.
#pragma once

#include "platform/win32/WinInclude.h"

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "xlib/SettingsTable.h"

class CControl {
public:
    void Attach(HWND dialog, int id) {
        m_Dialog = dialog;
        m_Id = id;
    }
    int Id() const { return m_Id; }
    HWND Handle() const { return GetDlgItem(m_Dialog, m_Id); }
    // Whether a WM_COMMAND concerns this control.
    bool Is(WPARAM wParam) const { return LOWORD(wParam) == m_Id; }
    void Enable(bool enable) const { EnableWindow(Handle(), enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(Handle()) != FALSE; }
    void Show(bool show) const { ShowWindow(Handle(), show ? SW_SHOW : SW_HIDE); }
    void SetText(const std::string& text) const { SetWindowTextA(Handle(), text.c_str()); }
    std::string GetText() const;

protected:
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageA(m_Dialog, m_Id, msg, wParam, lParam);
    }
    HWND m_Dialog = nullptr;
    int m_Id = 0;
};

using CButton = CControl;
using CTextControl = CControl;

class CCheckBox : public CControl {
public:
    bool IsChecked() const { return IsDlgButtonChecked(m_Dialog, m_Id) == BST_CHECKED; }
    void Set(bool checked) const { CheckDlgButton(m_Dialog, m_Id, checked ? BST_CHECKED : BST_UNCHECKED); }
    void Toggle() const { Set(!IsChecked()); }
};

class CRadioGroup {
public:
    void Attach(HWND dialog, std::vector<int> ids) {
        m_Dialog = dialog;
        m_Ids = std::move(ids);
    }
    void Select(int id);
    int Selected() const { return m_Selected; }
    bool Contains(WPARAM wParam) const;
    void Enable(bool enable) const;

private:
    HWND m_Dialog = nullptr;
    std::vector<int> m_Ids;
    int m_Selected = 0;
};

class CScrollBar : public CControl {
public:
    void SetRange(int minimum, int maximum);
    void SetPos(int position) const { SetScrollPos(Handle(), SB_CTL, position, TRUE); }
    int Pos() const { return GetScrollPos(Handle(), SB_CTL); }
    // Applies a WM_HSCROLL/WM_VSCROLL aimed at this bar; true when its position changed.
    bool Apply(WPARAM wParam, LPARAM lParam);

private:
    int m_Min = 0, m_Max = 0;
};

// The range a setting's table row offers; a row without one leaves the bar as it was.
template <class Owner>
void SetRangeOf(CScrollBar& bar, const SettingsTable<Owner>& table, std::string_view tag) {
    SettingInfo info;
    if (table.Describe(tag, info) && info.ranged) bar.SetRange(static_cast<int>(info.lo), static_cast<int>(info.hi));
}

class CListBox : public CControl {
public:
    void Clear() const { Send(LB_RESETCONTENT); }
    void Redraw(bool on) const { Send(WM_SETREDRAW, on ? TRUE : FALSE); }
    void Add(const std::string& text) const { Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }
    void Replace(int index, const std::string& text) const;
    void MoveSelected(bool up) const;
    void RemoveSelected() const;
    // Shows `count` lines, line(i) each, in place of the old ones, without flicker.
    template <class Line>
    void SetLines(unsigned count, Line&& line) const {
        Redraw(false);
        Clear();
        for (unsigned i = 0; i < count; ++i) Add(line(i));
        Redraw(true);
        FitWidth();
    }
    // Appends the lines and widens the scroll range to fit them.
    void AddAll(const std::vector<std::string>& lines) const;
    // Removes the selected line without flicker and fits the scroll range again.
    void RemoveSelectedAndFit() const;
    void Select(int index) const { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
    int Selection() const { return static_cast<int>(Send(LB_GETCURSEL)); }
    int Count() const { return static_cast<int>(Send(LB_GETCOUNT)); }
    std::string Text(int index) const;
    // Lets the horizontal scroll bar reach the end of the longest entry.
    void FitWidth() const;
};

class CComboBox : public CControl {
public:
    void Clear() const { Send(CB_RESETCONTENT); }
    void Add(const std::string& text) const { Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }
    void Select(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    int Selection() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    std::string SelectedText() const { return GetText(); }
};

class CDialogBase;

// The system's open-file dialog for files that must exist, with `filter` (the
// dialog's pairs of NUL-ended texts) and `extraFlags`; the chosen name or
// names land in `buffer`. False when cancelled or nothing was chosen.
bool ShowOpenFileDialog(HWND owner, const char* filter, const char* defaultExtension, DWORD extraFlags,
                        std::vector<char>& buffer);

// A tab control whose tabs hold modeless child dialogs.
class CTabControl : public CControl {
public:
    void AddPage(CDialogBase* page, const std::string& title);
    // Destroys every page window, then shows page `index` when it is valid.
    void ShowPage(int index);
    int Selection() const { return static_cast<int>(Send(TCM_GETCURSEL)); }
    void RemoveAll();

private:
    std::vector<CDialogBase*> m_Pages;
};

// A plain check box (toggled by its page) and the setting it drives.
struct CheckSetting {
    CCheckBox* box;
    bool* setting;
};
// Toggles the box a click is for and stores its new state in the setting;
// false when the click concerns none of them.
bool ToggleCheckSetting(WPARAM wParam, const std::vector<CheckSetting>& boxes);
// Sets each box from its setting.
void ShowCheckSettings(const std::vector<CheckSetting>& boxes);
