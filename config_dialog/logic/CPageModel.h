// The pattern every settings page follows, apart from its controls: open with
// a clean tracker, report each change (only once the page is live, so filling
// the controls counts for nothing), OK saving only when something changed,
// Cancel putting back only this page's sections from the backup taken when
// the settings dialog opened, Default resetting this page's modules.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config_dialog/logic/CChangeTracker.h"
#include "xlib/XString.h"
#include "xlib/XStringArray.h"

class CBgBitmap;
class CScreenSaver;

class CPageModel {
public:
    // One module the page edits: how to reset it and how to read it from a
    // whole configuration text.
    struct Module {
        std::function<void()> defaults;
        std::function<void(const XString&)> read;
    };

    CPageModel(CMainFormState& form, std::vector<Module> modules) : m_Form(form), m_Tracker(form), m_Modules(std::move(modules)) {}

    // The flag that says the page's window is initialised; changes reported
    // while it is false are ignored. Without one the page is always live.
    void SetLiveFlag(const bool* live) { m_Live = live; }

    void Open();
    void Changed();
    // A field's notification with the value it now holds: the setting takes
    // it, and only a value that differs from the setting's is reported. Edit
    // fields also notify on focus in and out, and when filled with the text
    // they already hold. True when it was a change.
    template <class T>
    bool ChangedTo(T& setting, T value) {
        if (setting == value) return false;
        setting = value;
        Changed();
        return true;
    }
    // True when it wrote the files.
    bool Ok();
    // `mainBackup`: the main file as read when the settings dialog opened.
    void Cancel(const XString& mainBackup);
    void Default();

    CChangeTracker& Tracker() { return m_Tracker; }
    bool IsModified() const { return m_Tracker.IsModified(); }

private:
    CMainFormState& m_Form;
    CChangeTracker m_Tracker;
    std::vector<Module> m_Modules;
    const bool* m_Live = nullptr;
};

// A module with the usual Default and Read(config) members, as a page edits it.
template <class M>
CPageModel::Module PageModule(M& module) {
    return {[&module] { module.Default(); }, [&module](const XString& config) { module.Read(config); }};
}

// The scene pages and the modules each one edits.
enum class ScenePage { Critters, Background, Rendering, Effects };
std::vector<CPageModel::Module> ScenePageModules(ScenePage page, CScreenSaver& saver);

// The background page's picture list. Adding appends the paths in order;
// removing takes out the selected entry and is false when none is selected
// (`selected` < 0 or past the end).
void AddPictures(CBgBitmap& pictures, const std::vector<std::string>& paths);
// The same for any picture list and the count kept beside it.
void AddPictures(XStringArray& list, uint32_t& count, const std::vector<std::string>& paths);
bool RemovePicture(XStringArray& list, uint32_t& count, int selected);
bool RemovePicture(CBgBitmap& pictures, int selected);
