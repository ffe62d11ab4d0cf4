#include "xsettings.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// Reads the fields of a property in the byte order it names.
class Reader {
public:
    Reader(const QByteArray& bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}
    bool has(qsizetype n) const { return n >= 0 && at_ <= bytes_.size() - n; }
    void skip(qsizetype n) { at_ += n; }
    quint32 card(int size)
    {
        quint32 value = 0;
        for (int i = 0; i < size; ++i) {
            const auto byte = quint32(quint8(bytes_[at_ + (big_ ? i : size - 1 - i)]));
            value = (value << 8) | byte;
        }
        at_ += size;
        return value;
    }
    QByteArray take(qsizetype n)
    {
        const QByteArray taken = bytes_.mid(at_, n);
        at_ += n;
        return taken;
    }

private:
    const QByteArray& bytes_;
    const bool big_;
    qsizetype at_ = 0;
};

qsizetype padded(qsizetype n) { return (n + 3) & ~qsizetype(3); }

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t* connection, const QByteArray& name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, 64 * 1024), nullptr));
    if (!reply || reply->format != 8)
        return QByteArray();
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

// A connection of its own to the display, for a few reads.
struct Display {
    Display() : connection(xcb_connect(nullptr, &screen)) {}
    ~Display() { xcb_disconnect(connection); }
    bool usable() const { return connection && !xcb_connection_has_error(connection); }
    xcb_window_t root() const
    {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    }
    int screen = 0;
    xcb_connection_t* connection;
};

} // namespace

QMap<QByteArray, qint32> xsettingsIntegers(const QByteArray& bytes)
{
    QMap<QByteArray, qint32> found;
    if (bytes.size() < 12)
        return found;
    Reader in(bytes, bytes[0] != 0);
    in.skip(4);     // byte order, unused
    in.card(4);     // serial
    quint32 count = in.card(4);
    while (count-- > 0) {
        if (!in.has(4))
            break;
        const quint32 type = in.card(1);
        in.skip(1);
        const qsizetype nameLength = in.card(2);
        if (!in.has(padded(nameLength) + 4))
            break;
        const QByteArray name = in.take(nameLength);
        in.skip(padded(nameLength) - nameLength);
        in.card(4); // last change
        if (type == 0) { // integer
            if (!in.has(4))
                break;
            found.insert(name, qint32(in.card(4)));
        } else if (type == 1) { // string
            if (!in.has(4))
                break;
            const qsizetype length = in.card(4);
            if (!in.has(padded(length)))
                break;
            in.skip(padded(length));
        } else if (type == 2) { // colour
            if (!in.has(8))
                break;
            in.skip(8);
        } else {
            break;
        }
    }
    return found;
}

std::optional<qint32> xsettingsInteger(const QByteArray& name)
{
    Display display;
    if (!display.usable())
        return std::nullopt;
    const xcb_atom_t selection = internAtom(display.connection, "_XSETTINGS_S" + QByteArray::number(display.screen));
    const xcb_atom_t settings = internAtom(display.connection, "_XSETTINGS_SETTINGS");
    if (selection == XCB_ATOM_NONE || settings == XCB_ATOM_NONE)
        return std::nullopt;
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        display.connection, xcb_get_selection_owner(display.connection, selection), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return std::nullopt;
    const QMap<QByteArray, qint32> values =
        xsettingsIntegers(property(display.connection, owner->owner, settings, settings));
    if (!values.contains(name))
        return std::nullopt;
    return values.value(name);
}

std::optional<double> xResourceNumber(const QByteArray& name)
{
    Display display;
    if (!display.usable())
        return std::nullopt;
    const QByteArray resources =
        property(display.connection, display.root(), XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING);
    for (const QByteArray& line : resources.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == name) {
            bool ok = false;
            const double value = line.mid(colon + 1).trimmed().toDouble(&ok);
            if (ok)
                return value;
        }
    }
    return std::nullopt;
}

} // namespace platform
