// What every module of the saver is to the frame loop and the settings
// store: its settings section (defaults, read, write) and its part of the
// scene's life (set-up, a changed size, each frame's logic and drawing, the
// release of what it holds in the GL context). The saver keeps its modules in
// one ordered registry, and the order of sections and calls is data there.
#pragma once

#include <cstdint>
#include <string_view>

class XDateTime;
class XString;
// A module's settings, declared as a table (xlib/SettingsTable.h).
template <class Owner>
class SettingsTable;
struct SettingInfo;
struct SettingValue;

// What a module is set up for.
struct SceneContext {
    int32_t width = 0, height = 0;
    // A window too small for a full scene (the settings dialog's preview):
    // the alarm and the disc stay quiet in it.
    bool smallWindow = true;
    // The GL surface's device context (a Windows HDC; nothing on X11), for
    // the outline fonts.
    void* deviceContext = nullptr;
    // Whether the first frames may go out before what is still being loaded
    // for them (a picture decoding on another thread, or a slice each frame)
    // is ready. Off in a seeded run, whose every frame must come out the same
    // each time.
    bool drawAhead = false;
};

class SaverModule {
public:
    virtual ~SaverModule() = default;

    // The tag of its section in the main file ("Critters").
    virtual const char* Section() const = 0;
    // The settings section: defaults, read from the whole main file's text
    // (a missing or empty section gives the defaults), appended to a file's text.
    virtual void Default() = 0;
    virtual void Read(const XString& whole) = 0;
    virtual void Write(XString& out) const = 0;
    // One setting by its tag ("Group/Tag" inside a group), for what sets it
    // from outside the file (the command line's one-run settings): its value
    // exchanged with `value`, and what its table row says of it. False for a
    // tag the module does not have.
    virtual bool ExchangeSetting(std::string_view tag, SettingValue& value) = 0;
    virtual bool DescribeSetting(std::string_view tag, SettingInfo& info) const = 0;

    // On the render thread once the settings are read, just before the GL
    // context is made (which takes tens of milliseconds on a software
    // renderer): work that needs neither the context nor the scene's size can
    // start here and overlap it. Nothing outside the process may happen here.
    // `drawAhead` is the one part of the scene known already (SceneContext).
    virtual void Prepare(bool drawAhead) {}
    // On the render thread, with the GL context current.
    virtual void Setup(const SceneContext& scene) {}
    // The scene's size changed; by default nothing depends on it.
    virtual void Reshape(const SceneContext& scene) {}
    virtual void Process(const XDateTime& now) {}
    virtual void Draw(const XDateTime& now) {}
    // What the module holds in the GL context goes before the context does.
    virtual void Release() {}
};

// The base of a module whose settings are a table (`static const
// SettingsTable<Module>& Settings()`): it answers Section, ExchangeSetting and
// DescribeSetting from the table. Its members are defined in
// xlib/SettingsTable.h; the module's .cpp instantiates them with
// `template class TabledModule<Module>;`.
template <class Module>
class TabledModule : public SaverModule {
public:
    const char* Section() const override;
    bool ExchangeSetting(std::string_view tag, SettingValue& value) override;
    bool DescribeSetting(std::string_view tag, SettingInfo& info) const override;
};
