// Prints the integer XSETTINGS of the X display in DISPLAY, a line each:
// "name value". For the system tests, which set a desktop's scale and wait
// for its settings daemon to publish it.

#include "platform/host/linux/xsettings.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const auto intern = [connection](const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    const xcb_atom_t selection = intern("_XSETTINGS_S0"), settings = intern("_XSETTINGS_SETTINGS");
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr), &std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return 0;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> value(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, owner->owner, settings, settings, 0, 65536),
                               nullptr),
        &std::free);
    if (!value)
        return 0;
    const QByteArray bytes(static_cast<const char*>(xcb_get_property_value(value.get())),
                           xcb_get_property_value_length(value.get()));
    const QMap<QByteArray, qint32> found = platform::xsettingsIntegers(bytes);
    for (auto it = found.begin(); it != found.end(); ++it)
        std::printf("%s %d\n", it.key().constData(), int(it.value()));
    xcb_disconnect(connection);
    return 0;
}
