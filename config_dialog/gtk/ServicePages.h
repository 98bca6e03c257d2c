// Pieces the date-and-time, reminders, video-mode, sound and e-mail pages
// share: drop-downs read back by position, the month/day/year choice whose
// day list follows the month, a one-column list box, radio groups that can
// show no choice, and the wave-file buttons.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "config_dialog/gtk/GtkKit.h"
#include "config_dialog/logic/TimeSoundRules.h"
#include "config_dialog/logic/WavePlayback.h"

// A drop-down whose entries the page keeps beside it, so that a choice is
// read back by position rather than by its text.
class CChoice {
public:
    GtkWidget* Make(const std::vector<std::string>& entries = {});
    void SetEntries(const std::vector<std::string>& entries);
    // Selects `index`, or nothing when it is out of range.
    void Choose(int index) const;
    int Selection() const;
    int Count() const { return static_cast<int>(m_Entries.size()); }
    // The entry at `index`; empty out of range.
    const std::string& Entry(int index) const;
    // `handler` runs when the user picks an entry (not while the page fills
    // the box or rebuilds its entries).
    void OnPick(std::function<void()> handler);
    GtkWidget* Widget() const { return m_Box; }

private:
    GtkWidget* m_Box = nullptr;
    std::vector<std::string> m_Entries;
    // Set while the page itself changes the box: no pick of the user's.
    mutable bool m_Quiet = false;
};

// Month, day and year drop-downs; the day list follows the month and year.
class CDateChoice {
public:
    void Make();
    void Show(int year, int month, int day);
    // `handler` runs after the user picked a month, day or year, once the day
    // list fits the month again.
    void OnPick(std::function<void()> handler);
    int Year() const;
    int Month() const { return m_Month.Selection() + 1; }
    int Day() const { return m_Day.Selection() + 1; }

    CChoice m_Month, m_Day, m_Year;

private:
    void FillDays(int day);
    YearChoices m_Years;
};

// The hour ("1".."12"), minute ("00".."59") and AM/PM drop-downs.
class CTimeChoice {
public:
    void Make();
    void Show(int hour12, int minute, bool pm) const;
    void OnPick(const std::function<void()>& handler);
    int Hour12() const { return m_Hour.Selection() + 1; }
    int Minute() const { return m_Minute.Selection(); }
    bool Pm() const { return m_AmPm.Selection() == 1; }

    CChoice m_Hour, m_Minute, m_AmPm;
};

// A list box of text lines in a scrolled frame, one line selectable.
class CTextList {
public:
    // `fixedPitch`: lines padded with blanks into columns line up only then.
    GtkWidget* Make(int width, int height, bool fixedPitch = false);
    void SetLines(const std::vector<std::string>& lines);
    void Select(int index) const;
    int Selection() const;
    int Count() const;
    std::string Line(int index) const;
    // `handler` runs when the user selects another line.
    void OnSelect(std::function<void()> handler);
    // Return (or a double click) on a line: the dialog's default button, as
    // Enter in a Windows list box presses it.
    void ActivatesDefault(GtkWindow* window);
    GtkWidget* View() const { return m_View; }

private:
    GtkWidget* m_View = nullptr;
    GtkListStore* m_Store = nullptr;
    mutable bool m_Quiet = false;
};

// Radio buttons plus a hidden one that is "checked" when a stored value is
// none of the offered ones, so that the page then shows no choice, as the
// Windows page does.
class CRadioChoice {
public:
    void Make(std::initializer_list<const char*> labels);
    GtkWidget* Box(GtkOrientation orientation = GTK_ORIENTATION_HORIZONTAL) const;
    // `index` outside the offered buttons checks none.
    void Select(int index) const;
    // The checked button; -1 for none.
    int Selected() const;
    void OnChange(std::function<void()> handler) const { m_Group.OnChange(std::move(handler)); }
    const RadioGroup& Group() const { return m_Group; }

private:
    RadioGroup m_Group;
    GtkWidget* m_None = nullptr;
};

// The wave-file buttons: the single-file "Wav files (*.wav)" open dialog; play
// and stop are config_dialog/logic/WavePlayback.h.
bool ChooseWaveFile(GtkWindow* owner, std::string& path);

// A label for a file path that shortens the middle of a long path, as the
// Windows page's path-ellipsis labels do.
GtkWidget* PathLabel(int widthChars);
