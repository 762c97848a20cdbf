#pragma once

#include "filter/DialogResources.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Window messages and notifications the pages receive.
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_HSCROLL = 0x0114;
inline constexpr unsigned BN_CLICKED = 0;
inline constexpr unsigned CBN_SELENDOK = 9;
inline constexpr unsigned EN_CHANGE = 0x0300;
inline constexpr int CB_ERR = -1;

inline constexpr std::uintptr_t MakeWParam(unsigned low, unsigned high)
{
    return (static_cast<std::uintptr_t>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
inline constexpr unsigned LowWord(std::uintptr_t w)
{
    return static_cast<unsigned>(w & 0xFFFF);
}
inline constexpr unsigned HighWord(std::uintptr_t w)
{
    return static_cast<unsigned>((w >> 16) & 0xFFFF);
}

// A headless dialog made from a template: the controls' state by id, the operations a page
// performs on them, the actions a person performs (which send the page its messages) and the
// page's timers. A host that shows the dialog mirrors the state and forwards what the user does.
class CDialog {
public:
    using MessageHandler = std::function<std::intptr_t(unsigned, std::uintptr_t, std::intptr_t)>;

    // What a showing host is told about.
    class IHost {
    public:
        virtual ~IHost() = default;
        virtual void ControlChanged(int id) = 0;
        virtual void TimerStarted(int id, int milliseconds) = 0;
        virtual void TimerStopped(int id) = 0;
    };

    explicit CDialog(const DialogTemplate &dialogTemplate);

    const DialogTemplate &Template() const { return m_template; }
    void SetMessageHandler(MessageHandler handler) { m_handler = std::move(handler); }
    void SetHost(IHost *host) { m_host = host; }
    bool HasControl(int id) const { return m_controls.count(id) != 0; }

    // ---- operations of the page ----
    void ComboReset(int id);
    int ComboAdd(int id, const std::string &text);
    bool ComboSetSel(int id, int index);
    int ComboGetSel(int id) const;
    int ComboFindExact(int id, const std::string &text) const;
    std::vector<std::string> ComboItems(int id) const;

    void TrackbarSetRange(int id, int min, int max);
    void TrackbarSetPos(int id, int pos);
    int TrackbarGetPos(int id) const;

    void UpDownSetRange(int id, int min, int max);
    // Moves the up-down control; it writes the number into its buddy edit.
    void UpDownSetPos(int id, int pos);
    int UpDownGetPos(int id) const;

    // Edit and static texts; an edit tells the page (EN_CHANGE) whenever its text is set.
    void SetItemText(int id, const std::string &text);
    std::string GetItemText(int id) const;

    // Whether a push button is held down.
    bool IsButtonPushed(int id) const;

    int SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool IsTimerRunning(int id) const { return m_timers.count(id) != 0; }

    // Range of a trackbar or up-down control.
    std::pair<int, int> Range(int id) const;

    // ---- actions of the person using the dialog ----
    void UserSelect(int id, int index);   // ends a list selection
    void UserSlide(int id, int pos);      // drags the trackbar
    void UserPress(int id, bool pressed); // holds or lets go of a push button
    void UserSpin(int id, int delta);     // clicks an up-down arrow
    void Tick(int timerId);               // a page timer fires

    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    struct Control {
        ControlKind kind;
        std::string text;
        std::vector<std::string> items;
        int selection = CB_ERR;
        int min = 0;
        int max = 100;
        int pos = 0;
        bool pushed = false;
        int buddy = 0; // up-down: the edit it writes into
    };

    Control *Find(int id);
    const Control *Find(int id) const;
    void Changed(int id);

    const DialogTemplate &m_template;
    std::map<int, Control> m_controls;
    std::map<int, int> m_timers;
    MessageHandler m_handler;
    IHost *m_host = nullptr;
};
