#include "filter/CDialog.h"

#include <algorithm>

CDialog::CDialog(const DialogTemplate &dialogTemplate) : m_template(dialogTemplate)
{
    int previous = 0;
    for (const ControlTemplate &t : dialogTemplate.controls) {
        if (t.id != IDC_STATIC) {
            Control control{t.kind, t.text, {}, CB_ERR, 0, 100, 0, false, 0};
            if (t.kind == ControlKind::UpDown && (t.style & kStyleAutoBuddy) != 0) {
                control.buddy = previous;
            }
            m_controls.emplace(t.id, std::move(control));
        }
        previous = t.id;
    }
}

CDialog::Control *CDialog::Find(int id)
{
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

const CDialog::Control *CDialog::Find(int id) const
{
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

void CDialog::Changed(int id)
{
    if (m_host != nullptr) {
        m_host->ControlChanged(id);
    }
}

std::intptr_t CDialog::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_handler ? m_handler(message, wParam, lParam) : 0;
}

void CDialog::ComboReset(int id)
{
    if (Control *c = Find(id)) {
        c->items.clear();
        c->selection = CB_ERR;
        Changed(id);
    }
}

int CDialog::ComboAdd(int id, const std::string &text)
{
    Control *c = Find(id);
    if (c == nullptr) {
        return CB_ERR;
    }
    c->items.push_back(text);
    Changed(id);
    return static_cast<int>(c->items.size()) - 1;
}

bool CDialog::ComboSetSel(int id, int index)
{
    Control *c = Find(id);
    if (c == nullptr) {
        return false;
    }
    const bool valid = index >= 0 && index < static_cast<int>(c->items.size());
    c->selection = valid ? index : CB_ERR;
    Changed(id);
    return valid;
}

int CDialog::ComboGetSel(int id) const
{
    const Control *c = Find(id);
    return c == nullptr ? CB_ERR : c->selection;
}

int CDialog::ComboFindExact(int id, const std::string &text) const
{
    const Control *c = Find(id);
    if (c == nullptr) {
        return CB_ERR;
    }
    auto it = std::find(c->items.begin(), c->items.end(), text);
    return it == c->items.end() ? CB_ERR : static_cast<int>(it - c->items.begin());
}

std::vector<std::string> CDialog::ComboItems(int id) const
{
    const Control *c = Find(id);
    return c == nullptr ? std::vector<std::string>{} : c->items;
}

void CDialog::TrackbarSetRange(int id, int min, int max)
{
    if (Control *c = Find(id)) {
        c->min = min;
        c->max = max;
        c->pos = std::clamp(c->pos, min, std::max(min, max));
        Changed(id);
    }
}

void CDialog::TrackbarSetPos(int id, int pos)
{
    if (Control *c = Find(id)) {
        c->pos = std::clamp(pos, c->min, std::max(c->min, c->max));
        Changed(id);
    }
}

int CDialog::TrackbarGetPos(int id) const
{
    const Control *c = Find(id);
    return c == nullptr ? 0 : c->pos;
}

void CDialog::UpDownSetRange(int id, int min, int max)
{
    TrackbarSetRange(id, min, max);
}

void CDialog::UpDownSetPos(int id, int pos)
{
    Control *c = Find(id);
    if (c == nullptr) {
        return;
    }
    c->pos = std::clamp(pos, std::min(c->min, c->max), std::max(c->min, c->max));
    Changed(id);
    if (c->buddy != 0) {
        SetItemText(c->buddy, std::to_string(c->pos));
    }
}

int CDialog::UpDownGetPos(int id) const
{
    return TrackbarGetPos(id);
}

std::pair<int, int> CDialog::Range(int id) const
{
    const Control *c = Find(id);
    return c == nullptr ? std::pair{0, 0} : std::pair{c->min, c->max};
}

void CDialog::SetItemText(int id, const std::string &text)
{
    Control *c = Find(id);
    if (c == nullptr) {
        return;
    }
    c->text = text;
    Changed(id);
    if (c->kind == ControlKind::Edit) {
        Send(WM_COMMAND, MakeWParam(static_cast<unsigned>(id), EN_CHANGE), id);
    }
}

std::string CDialog::GetItemText(int id) const
{
    const Control *c = Find(id);
    return c == nullptr ? std::string{} : c->text;
}

bool CDialog::IsButtonPushed(int id) const
{
    const Control *c = Find(id);
    return c != nullptr && c->pushed;
}

int CDialog::SetTimer(int id, int milliseconds)
{
    m_timers[id] = milliseconds;
    if (m_host != nullptr) {
        m_host->TimerStarted(id, milliseconds);
    }
    return id;
}

void CDialog::KillTimer(int id)
{
    if (m_timers.erase(id) != 0 && m_host != nullptr) {
        m_host->TimerStopped(id);
    }
}

void CDialog::UserSelect(int id, int index)
{
    if (!ComboSetSel(id, index)) {
        return;
    }
    Send(WM_COMMAND, MakeWParam(static_cast<unsigned>(id), CBN_SELENDOK), id);
}

void CDialog::UserSlide(int id, int pos)
{
    if (Find(id) == nullptr) {
        return;
    }
    TrackbarSetPos(id, pos);
    Send(WM_HSCROLL, 0, id);
}

void CDialog::UserPress(int id, bool pressed)
{
    Control *c = Find(id);
    if (c == nullptr || c->pushed == pressed) {
        return;
    }
    c->pushed = pressed;
    Changed(id);
    if (!pressed) {
        Send(WM_COMMAND, MakeWParam(static_cast<unsigned>(id), BN_CLICKED), id);
    }
}

void CDialog::UserSpin(int id, int delta)
{
    if (const Control *c = Find(id)) {
        UpDownSetPos(id, c->pos + delta);
    }
}

void CDialog::Tick(int timerId)
{
    if (IsTimerRunning(timerId)) {
        Send(WM_TIMER, static_cast<std::uintptr_t>(timerId), 0);
    }
}
