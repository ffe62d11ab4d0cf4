#pragma once
// Notices on the desktop through the freedesktop.org notification server
// (org.freedesktop.Notifications on the session bus: GNOME Shell, KDE
// Plasma, Xfce's and most other desktops run one). The program keeps one
// notice at a time: each new one replaces the one shown. Nothing waits for
// the server; a missing or refusing server means no notice and one line on
// standard error (a server that owns its name but is not serving yet is
// asked once more, a second later).

#include "bus.h"

#include <QDBusArgument>
#include <QObject>
#include <QString>

#include <optional>

namespace platform {

struct DesktopNotice {
    // The values of the "urgency" hint.
    enum class Urgency : uchar { Low = 0, Normal = 1, Critical = 2 };
    QString body;
    Urgency urgency = Urgency::Normal;
};

// The summary every notice carries: the program's name on the desktop.
inline const QString kNoticeSummary = QStringLiteral("关机工具");

// The program's icon as the "image-data" hint carries it: 8-bit RGBA rows.
struct NoticeImage {
    int width = 0, height = 0, rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8, channels = 4;
    QByteArray data;
};
QDBusArgument& operator<<(QDBusArgument& argument, const NoticeImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, NoticeImage& image);

class DesktopNotices final : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotices(Bus& sessionBus);

    // Shows `notice` in place of the one shown, if any.
    void show(const DesktopNotice& notice);
    // Takes the notice shown off the desktop.
    void close();

private slots:
    void closedByServer(uint id, uint reason);

private:
    struct Request {
        bool close = false;
        DesktopNotice notice;
        bool retried = false; // sent once more after a server not ready yet
    };
    void request(Request next);
    void sendNext();
    void send(QDBusConnection bus, const Request& what);
    void failed(const QString& why);
    QVariantMap hints(const DesktopNotice& notice);
    bool installed();  // the desktop's icon theme has the program's icon
    QString appIcon(); // the icon's name in it, or a picture file of it

    Bus& bus_;
    uint shown_ = 0;      // the server's id of the notice shown, 0 for none
    bool sending_ = false; // a Notify is on its way: its id is not known yet
    std::optional<Request> next_;
    std::optional<bool> themeIcon_; // whether the desktop's icon theme has ours
    QString iconFile_;              // the picture file named instead, once written
    QObject context_;               // owns the pending calls' watchers
};

} // namespace platform

Q_DECLARE_METATYPE(platform::NoticeImage)
