#include "app/framework/KeyboardState.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

#include "app/Resource.h"

bool QueryLockKey(UINT indicatorId, bool& on) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    const char* name = indicatorId == ID_INDICATOR_CAPS  ? "Caps Lock"
                       : indicatorId == ID_INDICATOR_NUM ? "Num Lock"
                                                         : "Scroll Lock";
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    Bool state = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) return false;
    on = state != False;
    return true;
}
