#include "WindowManager.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

bool quarvik::HasWindowManager() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) return true;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return true;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return true;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr);
    if (!atom) return true;
    const xcb_atom_t check = atom->atom;
    std::free(atom);
    if (check == XCB_ATOM_NONE) return false;  // no window manager ever announced itself
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, screen->root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool found = property && xcb_get_property_value_length(property) > 0;
    std::free(property);
    return found;
}
