#include "platform/host/local_time.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace platform {

// Qt's local time has the C library look at the zone's file each time it is
// asked (tzset: a stat of /etc/localtime, a walk through its path in the
// kernel), so that a zone set meanwhile is followed: each second, for the
// clock line. Here the system tells when the file, or the folder that holds
// it, changes (inotify), and only then is the zone read again; between two
// changes the time is converted with the zone as last read. With TZ set the
// C library keeps the zone it names for good, so there is nothing to watch;
// where nothing can be watched, each reading looks again, as Qt's does.
struct LocalTime::ZoneWatch {
    explicit ZoneWatch(const char* file);
    ~ZoneWatch();
    void watchFile();

    QByteArray file;
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    bool followed = false; // a change of zone is told, or cannot happen
    bool changed = true;
};

LocalTime::ZoneWatch::ZoneWatch(const char* zoneFile) : file(zoneFile)
{
    if (std::getenv("TZ")) {
        followed = true;
        return;
    }
    fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return;
    // The folder: a link to another zone renamed over the old one, a file
    // copied in its place, or one made where there was none.
    const QByteArray folder = file.left(std::max<qsizetype>(file.lastIndexOf('/'), 1));
    if (inotify_add_watch(fd, folder.constData(), IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE)
        < 0)
        return;
    watchFile();
    notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
        alignas(inotify_event) char events[4096];
        while (::read(fd, events, sizeof events) > 0) {
        }
        changed = true;
        watchFile(); // the link may lead to another file now
    });
    followed = true;
}

LocalTime::ZoneWatch::~ZoneWatch()
{
    notifier.reset();
    if (fd >= 0)
        ::close(fd);
}

void LocalTime::ZoneWatch::watchFile()
{
    // The file the link leads to: the zone's rules written anew, or the file
    // replaced by a new version.
    inotify_add_watch(fd, file.constData(), IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
}

LocalTime::LocalTime(const char* zoneFile) : zoneFile_(zoneFile) {}
LocalTime::~LocalTime() = default;

QDateTime LocalTime::now()
{
    if (!zone_)
        zone_ = std::make_unique<ZoneWatch>(zoneFile_); // at the first reading, not at start
    if (zone_->changed || !zone_->followed) {
        zone_->changed = false;
        tzset();
    }
    timespec moment{};
    clock_gettime(CLOCK_REALTIME, &moment);
    tm local{};
    if (!localtime_r(&moment.tv_sec, &local))
        return QDateTime::currentDateTime();
    // A leap second (in a zone of the "right/" rules) reads as the one before.
    return QDateTime(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                     QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), int(moment.tv_nsec / 1000000)),
                     Qt::OffsetFromUTC, int(local.tm_gmtoff));
}

} // namespace platform
