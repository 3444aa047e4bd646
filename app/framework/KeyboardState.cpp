#include "app/framework/KeyboardState.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

#include "app/framework/FrameworkIds.h"

namespace {

LockKeyHook& Hook() {
    static LockKeyHook hook;
    return hook;
}

} // namespace

void SetLockKeyHook(LockKeyHook hook) {
    Hook() = std::move(hook);
}

bool QueryLockKey(UINT indicatorId, bool& on) {
    if (Hook()) return Hook()(indicatorId, on);
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    static const Atom caps = XInternAtom(display, "Caps Lock", True);
    static const Atom num = XInternAtom(display, "Num Lock", True);
    static const Atom scroll = XInternAtom(display, "Scroll Lock", True);
    const Atom atom = indicatorId == ID_INDICATOR_CAPS  ? caps
                      : indicatorId == ID_INDICATOR_NUM ? num
                                                        : scroll;
    if (atom == None) return false;
    Bool state = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) return false;
    on = state != False;
    return true;
}
