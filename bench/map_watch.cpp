// Tells when windows appear on the X display and go, as the X server sees
// it: one line for each top-level window mapped or unmapped,
//
//     <CLOCK_MONOTONIC seconds> map|unmap <window> <class> <width>x<height>
//
// the class being the WM_CLASS class of the window or of the client window a
// window manager put in it. One process that listens, instead of polling
// with a new xdotool every few milliseconds, which took processor time from
// the very start it measured. A window already destroyed when its unmap is
// read (a client taking back a window the window manager never mapped: the
// unmap it sends to the root comes alone) is told by the size and class it
// was last seen with: from its creation and configuration, and from its
// WM_CLASS as the client set it.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_map>

namespace {

double now()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::string classOf(xcb_connection_t* c, xcb_window_t w)
{
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr);
    std::string name;
    if (r && xcb_get_property_value_length(r) > 0) {
        const char* value = static_cast<const char*>(xcb_get_property_value(r));
        const int length = xcb_get_property_value_length(r);
        const int first = int(strnlen(value, size_t(length)));
        if (first + 1 < length) // instance, then class
            name.assign(value + first + 1, strnlen(value + first + 1, size_t(length - first - 1)));
    }
    std::free(r);
    if (!name.empty())
        return name;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && name.empty(); ++i)
            name = classOf(c, children[i]);
        std::free(tree);
    }
    return name;
}

} // namespace

int main()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Ready only once the server has taken the request: a window another
    // client maps after that is seen, however busy the server is.
    if (xcb_generic_error_t* error =
            xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    struct Seen {
        unsigned width = 0, height = 0;
        std::string name;
    };
    std::unordered_map<xcb_window_t, Seen> seen; // the top-level windows, as last seen
    const uint32_t propertyMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const double t = now();
        const uint8_t type = event->response_type & 0x7f;
        xcb_window_t w = 0;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent == root) {
                xcb_change_window_attributes(c, e->window, XCB_CW_EVENT_MASK, &propertyMask);
                // Read once the change is made: a class set before it is
                // read here, one set after it comes as a property change.
                seen[e->window] = {e->width, e->height, classOf(c, e->window)};
            }
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (auto it = seen.find(e->window); it != seen.end())
                it->second.width = e->width, it->second.height = e->height;
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (auto it = seen.find(e->window); it != seen.end() && e->atom == XCB_ATOM_WM_CLASS)
                if (const std::string name = classOf(c, e->window); !name.empty())
                    it->second.name = name;
        } else if (type == XCB_DESTROY_NOTIFY) {
            seen.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
        } else if (type == XCB_MAP_NOTIFY) {
            w = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
        } else if (type == XCB_UNMAP_NOTIFY) {
            w = reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window;
        }
        std::free(event);
        if (!w)
            continue;
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        std::string name = classOf(c, w);
        unsigned width = g ? g->width : 0, height = g ? g->height : 0;
        if (auto it = seen.find(w); it != seen.end()) {
            if (name.empty())
                name = it->second.name;
            else
                it->second.name = name;
            if (!g)
                width = it->second.width, height = it->second.height;
        }
        std::printf("%.6f %s %u %s %ux%u\n", t, type == XCB_MAP_NOTIFY ? "map" : "unmap", w, name.c_str(), width,
                    height);
        std::fflush(stdout);
        std::free(g);
    }
    return 0;
}
