#include "app/framework/CmdTarget.h"

bool CCmdTarget::HandlesCommand(UINT id) const {
    const auto it = m_commands.find(id);
    return it != m_commands.end() && it->second.handler;
}

bool CCmdTarget::ExecuteCommand(UINT id) {
    const auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->second.handler) return false;
    // Copy: the handler may replace this target's map entry or the target itself.
    const auto handler = it->second.handler;
    handler(id);
    return true;
}

bool CCmdTarget::UpdateCommand(CCmdUI& ui) const {
    const auto it = m_commands.find(ui.id);
    if (it == m_commands.end() || !it->second.handler) return false;
    ui.enabled = true;
    if (it->second.update) it->second.update(ui);
    return true;
}

void CCmdTarget::OnCommand(UINT id, std::function<void()> handler) {
    m_commands[id].handler = [h = std::move(handler)](UINT) { h(); };
}

void CCmdTarget::OnCommandRange(UINT first, UINT last, std::function<void(UINT)> handler) {
    for (UINT id = first; id <= last; ++id)
        m_commands[id].handler = handler;
}

void CCmdTarget::OnUpdateCommandUI(UINT id, std::function<void(CCmdUI&)> update) {
    m_commands[id].update = std::move(update);
}
