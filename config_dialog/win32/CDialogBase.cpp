#include "config_dialog/win32/CDialogBase.h"

#include "xlib/XArray.h"
#include "xlib/XException.h"

namespace {
XArray<CDialogBase*>& Registry() {
    static XArray<CDialogBase*> registry;
    return registry;
}

int IndexOf(HWND hwnd) {
    XArray<CDialogBase*>& reg = Registry();
    for (unsigned i = 0; i < reg.GetCount(); ++i)
        if (reg.Get(i)->Window() == hwnd) return static_cast<int>(i);
    return -1;
}

int IndexOf(const CDialogBase* dialog) {
    XArray<CDialogBase*>& reg = Registry();
    for (unsigned i = 0; i < reg.GetCount(); ++i)
        if (reg.Get(i) == dialog) return static_cast<int>(i);
    return -1;
}
}  // namespace

HINSTANCE DialogModule() { return GetModuleHandleA(nullptr); }

CDialogBase* CDialogBase::Find(HWND hwnd) {
    const int i = IndexOf(hwnd);
    return i < 0 ? nullptr : Registry().Get(static_cast<unsigned>(i));
}

unsigned CDialogBase::LiveCount() { return Registry().GetCount(); }

INT_PTR CDialogBase::RunModal(HWND parent) {
    m_Parent = parent;
    return DialogBoxParamA(DialogModule(), MAKEINTRESOURCEA(m_Template), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialogBase::CreateModeless(HWND parent) {
    m_Parent = parent;
    return CreateDialogParamA(DialogModule(), MAKEINTRESOURCEA(m_Template), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void CDialogBase::EndDialog(INT_PTR result) {
    if (m_Window) ::EndDialog(m_Window, result);
}

void CDialogBase::SetIcons(WORD iconId) {
    HICON large = static_cast<HICON>(LoadImageA(DialogModule(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    HICON small = static_cast<HICON>(LoadImageA(DialogModule(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(m_Window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageA(m_Window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    XGuard("main DialogProc", [&] {
        if (msg == WM_INITDIALOG) {
            CDialogBase* dialog = reinterpret_cast<CDialogBase*>(lParam);
            if (!dialog) return;
            Registry().Add(dialog);
            dialog->m_Window = hwnd;
            if (!dialog->OnInitDialog()) {
                dialog->EndDialog(0);
                return;
            }
            dialog->m_Initialised = true;
            return;
        }
        CDialogBase* dialog = Find(hwnd);
        if (!dialog) return;
        switch (msg) {
            case WM_COMMAND:
                dialog->OnCommand(wParam, lParam);
                break;
            case WM_HSCROLL:
                dialog->OnHScroll(wParam, lParam);
                break;
            case WM_VSCROLL:
                dialog->OnVScroll(wParam, lParam);
                break;
            case WM_PAINT:
                dialog->OnPaint();
                break;
            case WM_CLOSE:
                dialog->OnClose();
                break;
            case WM_NOTIFY:
                dialog->OnNotify(wParam, reinterpret_cast<NMHDR*>(lParam));
                break;
            case WM_ENABLE:
                dialog->OnEnable(wParam != FALSE);
                break;
            case WM_DESTROY: {
                dialog->OnDestroy();
                const int i = IndexOf(dialog);
                if (i >= 0) Registry().Remove(static_cast<unsigned>(i));
                dialog->m_Initialised = false;
                break;
            }
            default:
                if (msg >= WM_APP && msg <= 0xBFFF) dialog->OnOtherMessage(msg, wParam, lParam);
                break;
        }
    });
    return FALSE;
}
