// The main settings form of the Linux view: live preview, speed scale, the
// options list, the critter tab, and the save, exit, default, about, help and
// update buttons, with the same texts and rules as the Windows form.
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <memory>
#include <string>

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/gtk/OptionPages.h"
#include "config_dialog/gtk/PreviewChild.h"
#include "config_dialog/logic/CMainForm.h"

class CScreenSaver;

class CGtkMainForm {
public:
    // `saverProgram`: the saver the preview runs.
    CGtkMainForm(CScreenSaver& saver, const std::string& saverProgram);
    ~CGtkMainForm();
    CGtkMainForm(const CGtkMainForm&) = delete;
    CGtkMainForm& operator=(const CGtkMainForm&) = delete;

    // Shows the form and runs until it closes.
    void Run();

private:
    GtkWidget* BuildPreview();
    GtkWidget* BuildButtons();
    void InitControls();
    void ShowButtonStates();
    void Exit();
    void SaveAndExit();
    void Save();
    void DefaultCommand();
    void CheckForUpdates();
    void OpenOption();
    void RefreshNow();
    void RestartPreview();
    void Close();
    void ShowExitFailure(CMainForm::ExitResult result);
    uint32_t SpeedPosition() const;

    CScreenSaver& m_Saver;
    CPreviewChild m_Preview;
    CMainForm m_Form;
    OptionPageSet m_Pages;
    std::unique_ptr<CGtkPage> m_Critters;
    GtkWidget* m_Window = nullptr;
    GtkWidget* m_PreviewArea = nullptr;
    GtkWidget* m_Speed = nullptr;
    GtkWidget* m_Options = nullptr;
    GtkWidget* m_Refresh = nullptr;
    GtkWidget* m_SaveButton = nullptr;
    GtkWidget* m_SaveExit = nullptr;
    // The preview area's X window and size once realised; 0 before.
    std::atomic<unsigned long> m_PreviewWindow{0};
    bool m_Filling = false;
    bool m_Opened = false;
};
