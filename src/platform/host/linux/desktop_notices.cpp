#include "desktop_notices.h"

#include "platform/host/console.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QStandardPaths>
#include <QTimer>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The menu entry and the icon's name in the icon theme, when installed.
const QString kDesktopEntry = QStringLiteral("vesperon");
const QString kIconName = QStringLiteral("vesperon");

// A server that takes longer than this to answer has failed this notice;
// the next one is sent then.
constexpr int kNotifyTimeoutMs = 10000;

// A server started on demand, or starting again, may own its name on the bus
// a moment before it serves its object: such a refusal is asked again once,
// after kRetryMs.
constexpr int kRetryMs = 1000;
bool serverNotReady(QDBusError::ErrorType type)
{
    return type == QDBusError::UnknownObject || type == QDBusError::UnknownInterface
        || type == QDBusError::UnknownMethod;
}

// Whether the desktop's icon theme can find the program's icon by name: the
// install puts it into hicolor, which every theme falls back to.
bool themeHasIcon()
{
    for (const char* file : {"icons/hicolor/scalable/apps/vesperon.svg", "icons/hicolor/48x48/apps/vesperon.png"})
        if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation, QString::fromLatin1(file)).isEmpty())
            return true;
    return false;
}

// The program's own icon, as it gave it to its windows (the application's
// window icon).
NoticeImage programImage()
{
    const QImage picture = QGuiApplication::windowIcon()
                               .pixmap(QSize(64, 64), 1.0)
                               .toImage()
                               .convertToFormat(QImage::Format_RGBA8888);
    NoticeImage image;
    image.width = picture.width();
    image.height = picture.height();
    image.rowStride = int(picture.bytesPerLine());
    image.data = QByteArray(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes());
    return image;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const NoticeImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
             << image.channels << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NoticeImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample
        >> image.channels >> image.data;
    argument.endStructure();
    return argument;
}

DesktopNotices::DesktopNotices(Bus& sessionBus) : bus_(sessionBus)
{
    qDBusRegisterMetaType<NoticeImage>();
    // A notice the user closed (or the server let expire) is no longer there
    // to be replaced.
    bus_.listen({QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), {}, this,
                 SLOT(closedByServer(uint, uint))});
}

void DesktopNotices::show(const DesktopNotice& notice) { request({false, notice}); }

void DesktopNotices::close() { request({true, {}}); }

void DesktopNotices::request(Request next)
{
    // Only the latest wish counts: a notice that was to replace another one
    // before the server had even answered is replaced in turn.
    next_ = std::move(next);
    sendNext();
}

void DesktopNotices::sendNext()
{
    // One call at a time: a new notice replaces the one shown by the id the
    // server gave it, which is known only once the server has answered.
    if (sending_ || !next_)
        return;
    const Request what = *std::exchange(next_, std::nullopt);
    sending_ = true;
    bus_.whenConnected([this, what](std::optional<QDBusConnection> bus, const QString& why) {
        if (!bus) {
            if (!what.close)
                failed(why);
            sending_ = false;
            sendNext();
            return;
        }
        send(*bus, what);
    });
}

void DesktopNotices::send(QDBusConnection bus, const Request& what)
{
    if (what.close) {
        if (shown_ != 0) {
            QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                               QStringLiteral("CloseNotification"));
            call << shown_;
            bus.asyncCall(call, kNotifyTimeoutMs);
            shown_ = 0;
        }
        sending_ = false;
        sendNext();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << kNoticeSummary                  // the program's name
         << shown_                          // the notice this one replaces
         << appIcon()                       // the program's icon: its name in the icon theme, or a file
         << kNoticeSummary << what.notice.body
         << QStringList()                   // no actions
         << hints(what.notice)
         << -1;                             // shown as long as the server shows notices
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kNotifyTimeoutMs), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_, [this, what](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError()) {
            shown_ = 0;
            if (!what.retried && serverNotReady(reply.error().type())) {
                // Sent once more a moment later, unless a newer wish has
                // come by then.
                Request again = what;
                again.retried = true;
                QTimer::singleShot(kRetryMs, &context_, [this, again] {
                    sending_ = false;
                    if (!next_)
                        next_ = again;
                    sendNext();
                });
                return;
            }
            failed(reply.error().name() + QStringLiteral(": ") + reply.error().message());
        } else {
            shown_ = reply.value();
        }
        sending_ = false;
        sendNext();
    });
}

bool DesktopNotices::installed()
{
    if (!themeIcon_)
        themeIcon_ = themeHasIcon();
    return *themeIcon_;
}

QString DesktopNotices::appIcon()
{
    // Where the icon theme has no "vesperon" (the program run from its build
    // folder, or installed under a prefix the desktop does not search), the
    // notice names a picture file of the icon: a server that shows no
    // image-data (UKUI's) shows that, where it would show a generic bulb.
    // The file is written once, into the user's cache.
    if (installed() || QGuiApplication::windowIcon().isNull())
        return kIconName;
    if (iconFile_.isNull()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        const QString file = folder + QStringLiteral("/icon-64.png");
        const bool written = QDir().mkpath(folder) && QGuiApplication::windowIcon().pixmap(QSize(64, 64), 1.0).save(file, "PNG");
        iconFile_ = written ? file : kIconName;
    }
    return iconFile_;
}

QVariantMap DesktopNotices::hints(const DesktopNotice& notice)
{
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(notice.urgency)));
    // The server finds the program's name and icon in its menu entry.
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
    // A program that is not installed (run from its build folder, or an
    // unpacked copy) has no icon the server could find by name: the picture
    // itself goes with the notice (GNOME and Plasma then show it where they
    // show the named icon). An installed one leaves the server the theme's
    // own sizes of the icon, the SVG among them, sharp at any scale.
    if (!installed() && !QGuiApplication::windowIcon().isNull())
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(programImage()));
    return hints;
}

void DesktopNotices::closedByServer(uint id, uint /*reason*/)
{
    if (id == shown_)
        shown_ = 0;
}

void DesktopNotices::failed(const QString& why)
{
    writeErrorLine(QStringLiteral("no desktop notification: %1").arg(why));
}

} // namespace platform
