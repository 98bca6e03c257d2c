// The small object framework every settings window is built on: one dialog
// procedure for all, a registry of the live dialog objects, and the virtual
// operations that receive the messages.
#pragma once

#include "platform/win32/WinInclude.h"

#include <commctrl.h>

class CDialogBase {
public:
    explicit CDialogBase(WORD templateId) : m_Template(templateId) {}
    virtual ~CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    virtual bool OnInitDialog() { return true; }
    virtual void OnCommand(WPARAM wParam, LPARAM lParam) {}
    virtual void OnHScroll(WPARAM wParam, LPARAM lParam) {}
    virtual void OnVScroll(WPARAM wParam, LPARAM lParam) {}
    virtual void OnPaint() {}
    virtual void OnDestroy() {}
    virtual void OnClose() {}
    virtual void OnNotify(WPARAM wParam, NMHDR* header) {}
    virtual void OnEnable(bool enabled) {}
    // Messages of the dialog's own (WM_APP range); false = not handled.
    virtual bool OnOtherMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return false; }

    // Runs the dialog modally owned by `parent`; returns when it ends.
    INT_PTR RunModal(HWND parent);
    // Creates the dialog without waiting (tab pages).
    HWND CreateModeless(HWND parent);
    void EndDialog(INT_PTR result = 0);
    // Large and small window icons from an icon resource of the program.
    void SetIcons(WORD iconId);

    HWND Window() const { return m_Window; }
    HWND Parent() const { return m_Parent; }
    WORD Template() const { return m_Template; }
    bool IsInitialised() const { return m_Initialised; }
    // The flag's address, for page models that report changes only while live.
    const bool* InitialisedFlag() const { return &m_Initialised; }
    HWND Item(int id) const { return GetDlgItem(m_Window, id); }

    // The one dialog procedure of every settings window.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The live dialog object of a window; null when none is registered.
    static CDialogBase* Find(HWND hwnd);
    static unsigned LiveCount();

protected:
    HWND m_Window = nullptr;
    HWND m_Parent = nullptr;

private:
    WORD m_Template;
    bool m_Initialised = false;
};

// The program module that holds the dialog resources.
HINSTANCE DialogModule();
