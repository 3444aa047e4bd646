// Command targets: objects that handle numbered commands. A command goes
// along a route of targets (the active view, its document, its frame, the
// main frame, the application) and is enabled exactly when some target on
// the route handles it.
#pragma once

#include <functional>
#include <map>

#include "platform/WinTypes.h"

// The state of one command's menu item or button, filled by update handlers.
struct CCmdUI {
    UINT id = 0;
    bool enabled = true;
    bool checked = false;
    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on = true) { checked = on; }
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Whether this target handles the command.
    bool HandlesCommand(UINT id) const;
    // Runs this target's handler; false when it has none.
    bool ExecuteCommand(UINT id);
    // Lets this target fill in the command's state (enabled unless an update
    // handler says otherwise); false when it does not handle the command.
    bool UpdateCommand(CCmdUI& ui) const;

protected:
    void OnCommand(UINT id, std::function<void()> handler);
    void OnCommandRange(UINT first, UINT last, std::function<void(UINT)> handler);
    void OnUpdateCommandUI(UINT id, std::function<void(CCmdUI&)> update);

private:
    struct Entry {
        std::function<void(UINT)> handler;
        std::function<void(CCmdUI&)> update;
    };
    std::map<UINT, Entry> m_commands;
};
