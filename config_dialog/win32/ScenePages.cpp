#include "config_dialog/win32/ScenePages.h"

#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "xlib/SettingsTable.h"
#include "xlib/XException.h"

namespace {
int32_t FieldNumber(const CTextControl& field) {
    return static_cast<int32_t>(std::min<uint32_t>(DigitsValue(field.GetText()), INT_MAX));
}

void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enable) {
    for (int id : ids) EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}
}  // namespace

std::vector<std::string> ChoosePictureFiles(HWND owner) {
    std::vector<char> buffer(32768, '\0');
    if (!ShowOpenFileDialog(owner,
                            "Graphics files (*.bmp;*.jpg)\0*.bmp;*.jpg\0BMP files (*.bmp)\0*.bmp\0JPEG files "
                            "(*.jpg)\0*.jpg\0",
                            "bmp", OFN_ALLOWMULTISELECT, buffer))
        return {};
    return SplitOpenFileNames(buffer.data(), buffer.size(), '\\');
}

// ---- the page pattern ----

CPageDialog::CPageDialog(WORD templateId, int defaultId, ScenePage page, CMainFormState& form)
    : CDialogBase(templateId),
      m_Saver(form.Saver()),
      m_Model(form, ScenePageModules(page, form.Saver())),
      m_OkId(IDC_PAGE_OK),
      m_CancelId(IDC_PAGE_CANCEL),
      m_DefaultId(defaultId) {
    m_Model.SetLiveFlag(InitialisedFlag());
}

CPageDialog::CPageDialog(WORD templateId, int okId, int cancelId, int defaultId,
                         std::vector<CPageModel::Module> modules, CMainFormState& form)
    : CDialogBase(templateId),
      m_Saver(form.Saver()),
      m_Model(form, std::move(modules)),
      m_OkId(okId),
      m_CancelId(cancelId),
      m_DefaultId(defaultId) {
    m_Model.SetLiveFlag(InitialisedFlag());
}

bool CPageDialog::OnInitDialog() {
    XGuard("CPageDialog::OnInitDialog", [&] {
        m_Model.Open();
        AttachControls();
        Fill();
    });
    return true;
}

void CPageDialog::Cancel() {
    m_Model.Cancel(m_Saver.MainBackup());
    EndDialog(0);
}

void CPageDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    XGuard("CPageDialog::OnCommand", [&] {
        const int id = LOWORD(wParam);
        if (m_DefaultId == 0) {  // the tab page: no OK, Cancel or Default
            PageCommand(wParam, lParam);
        } else if (id == m_OkId || id == IDOK) {
            m_Model.Ok();
            EndDialog(0);
        } else if (id == m_CancelId || id == IDCANCEL) {
            Cancel();
        } else if (id == m_DefaultId) {
            m_Model.Default();
            Fill();
        } else {
            PageCommand(wParam, lParam);
        }
    });
}

void CPageDialog::OnClose() {
    XGuard("CPageDialog::OnClose", [&] {
        if (m_DefaultId != 0) Cancel();
    });
}

// ---- critter tab ----

CCritterPage::CCritterPage(CMainFormState& form) : CPageDialog(IDD_CRITTERS, 0, ScenePage::Critters, form) {}

void CCritterPage::AttachControls() {
    // The tab's body colour behind the page's controls, as in any tab page.
    // Looked up when needed, so that a saver run never loads the theme library.
    if (HMODULE theme = LoadLibraryA("uxtheme.dll")) {
        using EnableTexture = HRESULT(WINAPI*)(HWND, DWORD);
        auto enable = reinterpret_cast<EnableTexture>(
            reinterpret_cast<void*>(GetProcAddress(theme, "EnableThemeDialogTexture")));
        if (enable) enable(m_Window, 6 /* ETDT_ENABLETAB */);
    }
    m_LadyBugs.Attach(m_Window, IDC_LADYBUGS);
    m_Worms.Attach(m_Window, IDC_WORMS);
    m_Bees.Attach(m_Window, IDC_BEES);
    m_Number.Attach(m_Window, IDC_NUMCRITTERS);
    m_Size.Attach(m_Window, {IDC_SIZE_SMALL, IDC_SIZE_MEDIUM, IDC_SIZE_LARGE});
    m_Speed.Attach(m_Window, {IDC_SPEED_SLOW, IDC_SPEED_NORMAL, IDC_SPEED_FAST});
}

void CCritterPage::Fill() {
    CCritters& c = m_Saver.Critters();
    m_LadyBugs.Set(c.LadyBugs);
    m_Worms.Set(c.WiggleWorms);
    m_Bees.Set(c.BuzzzyBees);
    m_Number.SetText(std::to_string(c.NumCritters));
    m_Size.Select(IDC_SIZE_SMALL + std::clamp<int32_t>(c.Size, 0, 2));
    m_Speed.Select(IDC_SPEED_SLOW + std::clamp<int32_t>(c.Speed, 0, 2));
}

void CCritterPage::PageCommand(WPARAM wParam, LPARAM) {
    CCritters& c = m_Saver.Critters();
    const bool clicked = HIWORD(wParam) == BN_CLICKED;
    if (m_Number.Is(wParam)) {
        m_Model.ChangedTo(c.NumCritters, DigitsValue(m_Number.GetText()));
        return;
    }
    if (!clicked) return;
    CCheckBox* boxes[] = {&m_LadyBugs, &m_Worms, &m_Bees};
    bool* settings[] = {&c.LadyBugs, &c.WiggleWorms, &c.BuzzzyBees};
    for (int i = 0; i < 3; ++i) {
        if (!boxes[i]->Is(wParam)) continue;
        boxes[i]->Toggle();
        *settings[i] = boxes[i]->IsChecked();
        Changed();
        return;
    }
    if (m_Size.Contains(wParam)) {
        m_Size.Select(LOWORD(wParam));
        c.Size = LOWORD(wParam) - IDC_SIZE_SMALL;
        Changed();
    } else if (m_Speed.Contains(wParam)) {
        m_Speed.Select(LOWORD(wParam));
        c.Speed = LOWORD(wParam) - IDC_SPEED_SLOW;
        Changed();
    }
}

// ---- background and star fields ----

CBackgroundPage::CBackgroundPage(CMainFormState& form)
    : CPageDialog(IDD_BACKGROUND, IDC_BG_DEFAULT, ScenePage::Background, form) {}

void CBackgroundPage::AttachControls() {
    m_StarsOn.Attach(m_Window, IDC_STARS_ENABLE);
    m_Rotate.Attach(m_Window, IDC_STARS_ROTATE);
    m_PicsOn.Attach(m_Window, IDC_PICS_ENABLE);
    m_CycleColor.Attach(m_Window, IDC_PICS_CYCLECOLOR);
    m_Type.Attach(m_Window, {IDC_STARS_HORIZONTAL, IDC_STARS_VERTICAL, IDC_STARS_WARP, IDC_STARS_STILL});
    m_Style.Attach(m_Window, {IDC_PICS_FIT, IDC_PICS_BOUNCE});
    m_Colour.Attach(m_Window, IDC_STARS_COLOUR);
    m_StarSpeed.Attach(m_Window, IDC_STARS_SPEED);
    SetRangeOf(m_StarSpeed, CStarFields::Settings(), "Speed");
    m_Minutes.Attach(m_Window, IDC_PICS_MINUTES);
    SetRangeOf(m_Minutes, CBgBitmap::Settings(), "CycleMin");
    m_Amount.Attach(m_Window, IDC_STARS_AMOUNT);
    m_MinutesLabel.Attach(m_Window, IDC_PICS_MINUTES_LABEL);
    m_Add.Attach(m_Window, IDC_PICS_ADD);
    m_Remove.Attach(m_Window, IDC_PICS_REMOVE);
    m_List.Attach(m_Window, IDC_PICS_LIST);
    m_Colour.Clear();
    for (const std::string& name : StarSchemeNames()) m_Colour.Add(name);
}

void CBackgroundPage::Fill() {
    CStarFields& s = m_Saver.Stars();
    CBgBitmap& b = m_Saver.BgBitmap();
    m_StarsOn.Set(s.Enabled);
    m_Type.Select(IDC_STARS_HORIZONTAL + std::clamp<int32_t>(s.Type, 0, 3));
    m_Rotate.Set(s.RotateStars);
    m_Colour.Select(s.ColorScheme);
    m_StarSpeed.SetPos(s.Speed);
    m_Amount.SetText(std::to_string(s.Amount));
    m_PicsOn.Set(b.CyclePictures);
    m_List.SetLines(b.Pictures.GetCount(), [&](unsigned i) { return std::string(b.Pictures.Get(i).c_str()); });
    m_Minutes.SetPos(static_cast<int>(b.CycleMin));
    m_MinutesLabel.SetText(MinutesLabel(static_cast<int32_t>(b.CycleMin)));
    m_Style.Select(b.PictureStyle == 0 ? IDC_PICS_FIT : IDC_PICS_BOUNCE);
    m_CycleColor.Set(b.CycleColor);
    StarEnables();
    PictureEnables();
}

void CBackgroundPage::StarEnables() {
    const ::StarEnables e = StarEnableStates(m_Saver.Stars().Enabled, m_Saver.Stars().Type);
    m_Type.Enable(e.typeRadios);
    EnableItems(m_Window, {IDC_STARS_COLOUR, IDC_LBL_STARCOLOUR}, e.colour);
    EnableItems(m_Window, {IDC_STARS_AMOUNT, IDC_LBL_STARAMOUNT}, e.amount);
    EnableItems(m_Window, {IDC_STARS_SPEED, IDC_LBL_STARSPEED, IDC_LBL_STARSLOW, IDC_LBL_STARFAST}, e.speed);
    m_Rotate.Enable(e.rotate);
}

void CBackgroundPage::PictureEnables() {
    const ::PictureEnables e =
        PictureEnableStates(m_Saver.BgBitmap().CyclePictures, m_Saver.BgBitmap().Pictures.GetCount());
    EnableItems(m_Window,
                {IDC_PICS_ADD, IDC_PICS_LIST, IDC_PICS_MINUTES, IDC_PICS_MINUTES_LABEL, IDC_LBL_PICSEVERY,
                 IDC_PICS_FIT, IDC_PICS_BOUNCE, IDC_PICS_CYCLECOLOR},
                e.controls);
    m_Remove.Enable(e.remove);
}

void CBackgroundPage::PageCommand(WPARAM wParam, LPARAM) {
    CStarFields& s = m_Saver.Stars();
    CBgBitmap& b = m_Saver.BgBitmap();
    const int id = LOWORD(wParam);
    if (m_Amount.Is(wParam)) {
        m_Model.ChangedTo(s.Amount, FieldNumber(m_Amount));
        return;
    }
    if (m_Colour.Is(wParam)) {
        if (HIWORD(wParam) != CBN_SELCHANGE) return;
        s.ColorScheme = m_Colour.Selection();
        Changed();
        return;
    }
    if (HIWORD(wParam) != BN_CLICKED) return;
    if (m_StarsOn.Is(wParam)) {
        m_StarsOn.Toggle();
        s.Enabled = m_StarsOn.IsChecked();
        StarEnables();
    } else if (m_Type.Contains(wParam)) {
        m_Type.Select(id);
        s.Type = id - IDC_STARS_HORIZONTAL;
        StarEnables();
    } else if (m_Rotate.Is(wParam)) {
        s.RotateStars = m_Rotate.IsChecked();
    } else if (m_PicsOn.Is(wParam)) {
        m_PicsOn.Toggle();
        b.CyclePictures = m_PicsOn.IsChecked();
        PictureEnables();
    } else if (m_CycleColor.Is(wParam)) {
        m_CycleColor.Toggle();
        b.CycleColor = m_CycleColor.IsChecked();
        PictureEnables();
    } else if (m_Style.Contains(wParam)) {
        m_Style.Select(id);
        b.PictureStyle = id - IDC_PICS_FIT;
    } else if (m_Add.Is(wParam)) {
        AddPictures();
        return;
    } else if (m_Remove.Is(wParam)) {
        RemovePicture();
        return;
    } else {
        return;
    }
    Changed();
}

void CBackgroundPage::AddPictures() {
    const std::vector<std::string> paths = ChoosePictureFiles(m_Window);
    if (paths.empty()) return;
    m_List.AddAll(paths);
    ::AddPictures(m_Saver.BgBitmap(), paths);
    PictureEnables();
    Changed();
}

void CBackgroundPage::RemovePicture() {
    const int selected = m_List.Selection();
    if (!::RemovePicture(m_Saver.BgBitmap(), selected)) {
        MessageBoxA(m_Window, kRemovePictureText, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    m_List.RemoveSelectedAndFit();
    PictureEnables();
    Changed();
}

void CBackgroundPage::OnHScroll(WPARAM wParam, LPARAM lParam) {
    XGuard("CBackgroundPage::OnHScroll", [&] {
        if (m_StarSpeed.Apply(wParam, lParam)) {
            m_Saver.Stars().Speed = m_StarSpeed.Pos();
            Changed();
        } else if (m_Minutes.Apply(wParam, lParam)) {
            m_Saver.BgBitmap().CycleMin = static_cast<uint32_t>(m_Minutes.Pos());
            m_MinutesLabel.SetText(MinutesLabel(m_Minutes.Pos()));
            Changed();
        }
    });
}

// ---- rendering ----

CRenderingPage::CRenderingPage(CMainFormState& form)
    : CPageDialog(IDD_RENDERING, IDC_RENDER_DEFAULT, ScenePage::Rendering, form) {}

void CRenderingPage::AttachControls() {
    m_Style.Attach(m_Window, {IDC_RENDER_WIRE, IDC_RENDER_FLAT, IDC_RENDER_SMOOTH});
    m_Detail.Attach(m_Window, {IDC_DETAIL_HIGH, IDC_DETAIL_MEDIUM, IDC_DETAIL_LOW});
}

void CRenderingPage::Fill() {
    const CGeneralConfig& g = m_Saver.General();
    m_Style.Select(IDC_RENDER_WIRE + static_cast<int>(std::min<uint32_t>(g.RenderStyle, 2)));
    m_Detail.Select(IDC_DETAIL_HIGH + static_cast<int>(std::min<uint32_t>(g.PolygonDetail, 2)));
}

void CRenderingPage::PageCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const int id = LOWORD(wParam);
    if (m_Style.Contains(wParam)) {
        m_Style.Select(id);
        m_Saver.General().RenderStyle = static_cast<uint32_t>(id - IDC_RENDER_WIRE);
        Changed();
    } else if (m_Detail.Contains(wParam)) {
        m_Detail.Select(id);
        m_Saver.General().PolygonDetail = static_cast<uint32_t>(id - IDC_DETAIL_HIGH);
        Changed();
    }
}

// ---- special effects ----

CEffectsPage::CEffectsPage(CMainFormState& form) : CPageDialog(IDD_EFFECTS, IDC_FX_DEFAULT, ScenePage::Effects, form) {}

void CEffectsPage::AttachControls() {
    // Each bar offers the range its setting's table row gives.
    struct Bar {
        CScrollBar* bar;
        int id;
        const char* tag;
    };
    const Bar bars[] = {{&m_LifeTime, IDC_FX_LIFETIME, "Emitters/LifeTime"},
                        {&m_Intensity, IDC_FX_INTENSITY, "Emitters/Intensity"},
                        {&m_Detail, IDC_FX_DETAIL, "Emitters/Detail"},
                        {&m_Size, IDC_FX_SIZE, "Emitters/Size"},
                        {&m_BlurAmount, IDC_FX_BLURAMOUNT, "MotionBlur/Amount"},
                        {&m_Density, IDC_FX_DENSITY, "Fog/Density"},
                        {&m_Red, IDC_FX_RED, "Fog/Red"},
                        {&m_Green, IDC_FX_GREEN, "Fog/Green"},
                        {&m_Blue, IDC_FX_BLUE, "Fog/Blue"}};
    for (const Bar& b : bars) {
        b.bar->Attach(m_Window, b.id);
        SetRangeOf(*b.bar, CEffects::Settings(), b.tag);
    }
    m_Blur.Attach(m_Window, IDC_FX_BLUR);
    m_Fog.Attach(m_Window, IDC_FX_FOG);
}

void CEffectsPage::Fill() {
    const CEffects& e = m_Saver.Effects();
    m_LifeTime.SetPos(e.LifeTime);
    m_Intensity.SetPos(e.Intensity);
    m_Detail.SetPos(e.Detail);
    m_Size.SetPos(e.Size);
    m_BlurAmount.SetPos(e.BlurAmount);
    m_Density.SetPos(e.FogDensity);
    m_Red.SetPos(e.FogRed);
    m_Green.SetPos(e.FogGreen);
    m_Blue.SetPos(e.FogBlue);
    m_Blur.Set(e.MotionBlur);
    m_Fog.Set(e.Fog);
    ShowValues();
    Enables();
    InvalidateRect(m_Window, nullptr, TRUE);
}

void CEffectsPage::ShowValues() {
    const CEffects& e = m_Saver.Effects();
    SetDlgItemInt(m_Window, IDC_FX_BLURVALUE, static_cast<UINT>(e.BlurAmount), TRUE);
    SetDlgItemInt(m_Window, IDC_FX_DENSITYVALUE, static_cast<UINT>(e.FogDensity), TRUE);
    SetDlgItemInt(m_Window, IDC_FX_REDVALUE, static_cast<UINT>(e.FogRed), TRUE);
    SetDlgItemInt(m_Window, IDC_FX_GREENVALUE, static_cast<UINT>(e.FogGreen), TRUE);
    SetDlgItemInt(m_Window, IDC_FX_BLUEVALUE, static_cast<UINT>(e.FogBlue), TRUE);
}

void CEffectsPage::Enables() {
    EnableItems(m_Window,
                {IDC_FX_BLURAMOUNT, IDC_FX_BLURVALUE, IDC_LBL_BLURAMOUNT, IDC_LBL_LESSBLUR, IDC_LBL_MOREBLUR},
                m_Saver.Effects().MotionBlur);
    EnableItems(m_Window,
                {IDC_FX_DENSITY, IDC_FX_DENSITYVALUE, IDC_LBL_DENSITY, IDC_LBL_FOGCOLOUR, IDC_FX_RED, IDC_FX_GREEN,
                 IDC_FX_BLUE, IDC_FX_REDVALUE, IDC_FX_GREENVALUE, IDC_FX_BLUEVALUE, IDC_LBL_RED, IDC_LBL_GREEN,
                 IDC_LBL_BLUE},
                m_Saver.Effects().Fog);
}

void CEffectsPage::PageCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    CEffects& e = m_Saver.Effects();
    if (m_Blur.Is(wParam)) {
        m_Blur.Toggle();
        e.MotionBlur = m_Blur.IsChecked();
    } else if (m_Fog.Is(wParam)) {
        m_Fog.Toggle();
        e.Fog = m_Fog.IsChecked();
    } else {
        return;
    }
    Enables();
    Changed();
}

void CEffectsPage::OnHScroll(WPARAM wParam, LPARAM lParam) {
    XGuard("CEffectsPage::OnHScroll", [&] {
        CEffects& e = m_Saver.Effects();
        struct Bar {
            CScrollBar* bar;
            int32_t* setting;
        };
        const Bar bars[] = {{&m_LifeTime, &e.LifeTime}, {&m_Intensity, &e.Intensity}, {&m_Detail, &e.Detail},
                            {&m_Size, &e.Size},         {&m_BlurAmount, &e.BlurAmount}, {&m_Density, &e.FogDensity}};
        for (const Bar& b : bars) {
            if (!b.bar->Apply(wParam, lParam)) continue;
            *b.setting = b.bar->Pos();
            ShowValues();
            Changed();
            return;
        }
    });
}

void CEffectsPage::OnVScroll(WPARAM wParam, LPARAM lParam) {
    XGuard("CEffectsPage::OnVScroll", [&] {
        CEffects& e = m_Saver.Effects();
        struct Bar {
            CScrollBar* bar;
            int32_t* setting;
        };
        const Bar bars[] = {{&m_Red, &e.FogRed}, {&m_Green, &e.FogGreen}, {&m_Blue, &e.FogBlue}};
        for (const Bar& b : bars) {
            // An unchanged colour repaints nothing.
            if (!b.bar->Apply(wParam, lParam)) continue;
            *b.setting = b.bar->Pos();
            ShowValues();
            HDC dc = GetDC(m_Window);
            PaintSample(dc);
            ReleaseDC(m_Window, dc);
            Changed();
            return;
        }
    });
}

void CEffectsPage::OnPaint() {
    XGuard("CEffectsPage::OnPaint", [&] {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_Window, &ps);
        PaintSample(dc);
        EndPaint(m_Window, &ps);
    });
}

// The sample fills the hidden placeholder's rectangle, so it follows the
// dialog's scaling instead of sitting at fixed pixels.
void CEffectsPage::PaintSample(HDC dc) {
    HWND sample = GetDlgItem(m_Window, IDC_FX_SAMPLE);
    if (!sample) return;
    RECT r{};
    GetWindowRect(sample, &r);
    MapWindowPoints(nullptr, m_Window, reinterpret_cast<POINT*>(&r), 2);
    const CEffects& e = m_Saver.Effects();
    HBRUSH brush = CreateSolidBrush(RGB(e.FogRed & 255, e.FogGreen & 255, e.FogBlue & 255));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}
