#pragma once
// The operations the windows need from the host, each behind a small
// interface. Windows receive a Platform by reference; the program passes the
// host implementations (host/host_platform.h), the tests the recording fakes
// (tests/fakes/).

#include <QDateTime>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

class Form;

// Message box flags and answers, as the program's windows use them.
enum MessageFlags : int {
    kOkOnly = 0,
    kYesNo = 4,
    kCritical = 16,
    kInformation = 64,
};

// The button part of the flags asks for Yes and No.
constexpr bool asksYesNo(int flags) { return (flags & 0x0f) == kYesNo; }

enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// The title a box carries when the caller gives none.
inline const QString kApplicationTitle = QStringLiteral("Vesperon");

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal: returns only when the user has answered, with a MessageAnswer.
    // An empty title means the application title.
    virtual int show(const QString& prompt, int flags, const QString& title = QString()) = 0;
    // Non-modal: shows the box and returns at once; the program goes on.
    virtual void notify(const QString& prompt, int flags, const QString& title) = 0;
};

// Window styles for Shell.
enum WindowStyle : int {
    kHide = 0,
    kMinimizedFocus = 2,
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts a command line and returns at once; nothing is waited for and no
    // result comes back to the caller.
    virtual void run(const QString& commandLine, int windowStyle) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Whole seconds since the epoch: a cheap read that tells whether now()
    // has moved on to another second.
    virtual qint64 epochSecond() const { return now().toSecsSinceEpoch(); }
    // The general text form of a date and time: short date, one space, long
    // time; the date alone at exactly midnight.
    virtual QString generalText(const QDateTime& when) const = 0;
};

class ProgramFolder {
public:
    virtual ~ProgramFolder() = default;
    // The folder that holds the program's pictures, without a trailing
    // separator: the executable's own folder, or for an installed program
    // (bin/vesperon) the program's share/vesperon beside it.
    virtual QString path() const = 0;
};

// ---- pictures -----------------------------------------------------------------

struct Picture {
    QPixmap pixmap;
    QString fileName; // what it was loaded from, as the caller named it
    bool isNull() const { return pixmap.isNull(); }
};

class Pictures {
public:
    virtual ~Pictures() = default;
    // Loads a JPEG, GIF, BMP or PNG picture. The name is in the runtime's
    // form: a folder, a backslash and the file's name, whatever separator
    // the host uses. Returns
    // nothing (and says why in one line on standard error) for a file that
    // is missing, no regular file, unreadable, corrupt, truncated or too
    // large to decode.
    virtual std::optional<Picture> load(const QString& fileName) = 0;
};

// ---- sequential files ---------------------------------------------------------

enum class FileMode { Input, Output };

// Text files read a field at a time and written an item at a time, in the
// system's ANSI code page (GBK, code page 936, for this program). A file is
// known by its number between open and close.
class SequentialFiles {
public:
    virtual ~SequentialFiles() = default;
    // Input: the file must exist and be a regular file; at most its first
    // few KiB are read, without ever blocking. Output: replaces the file as a
    // whole when it is closed, never leaving half a file behind.
    virtual bool open(const QString& name, FileMode mode, int fileNumber) = 0;
    // The next field of a file open for input: up to a comma or the end of
    // the line; double quotes around it are not part of it. Nothing at the
    // end of the file, or when the bytes are no text in the code page.
    virtual std::optional<QString> inputField(int fileNumber) = 0;
    // Writes the item and a line end (CR LF) to a file open for output;
    // false when it cannot be put in the code page.
    virtual bool print(int fileNumber, const QString& item) = 0;
    // Releases the file. For output this is when the file is put in place:
    // false when that failed (the old file, if any, is then untouched).
    virtual bool close(int fileNumber) = 0;
    // Why the last call that returned false failed, for the user.
    virtual QString lastError() const = 0;
};

// A periodic timer whose event runs on the user-interface thread.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling a timer that is already enabled leaves its period alone.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    std::function<void()> onTimer;
};

enum class TimerPrecision {
    Coarse,
    Precise,
    // Precise, and kept to a clock that goes on while the machine sleeps: a
    // period that passed while the program could not run (stopped, the
    // machine asleep, the interface thread held up) is made up as soon as it
    // runs again, one event for each, in turn.
    OnTheClock,
    // For a line that shows the time of day to the second: the events come
    // only when the wall clock's second has turned, a few milliseconds after
    // it, and not between (where the line would be written again as it
    // stands). The interval is then the most an event may lag the second.
    OnTheSecond,
};

class Timers {
public:
    virtual ~Timers() = default;
    // `name` identifies the timer to tests ("main.Timer1"); the host ignores it.
    virtual std::unique_ptr<Timer> create(const QString& name, int intervalMs, bool enabled,
                                          TimerPrecision precision = TimerPrecision::Coarse) = 0;
};

// ---- the notification-area icon --------------------------------------------

// A window, as the notification area and the window functions name it.
using WindowHandle = quintptr;

// The record that describes a notification-area icon, field for field.
struct TrayRecord {
    quint32 cbSize = 0;
    WindowHandle hWnd = 0;        // the window that receives the icon's mouse messages
    quint32 uID = 0;              // the icon's number within that window
    quint32 uFlags = 0;           // which of the following fields count
    quint32 uCallbackMessage = 0; // the message the window receives
    QIcon hIcon;
    QString szTip;                // the tip text; empty: no tip
};

enum NotifyIconMessage : int {
    kNimAdd = 0,
    kNimDelete = 2,
};

enum NotifyIconFlags : quint32 {
    kNifMessage = 1,
    kNifIcon = 2,
    kNifTip = 4,
};

// Mouse message codes, as the notification area reports its icon's events
// to the window that owns it.
enum MouseMessage : int {
    kWmMouseMove = 0x200,     // 512
    kWmLButtonDown = 0x201,   // 513
    kWmLButtonUp = 0x202,     // 514
    kWmLButtonDblClk = 0x203, // 515
    kWmRButtonDown = 0x204,   // 516
    kWmRButtonUp = 0x205,     // 517
    kWmMButtonDown = 0x207,   // 519
    kWmMButtonUp = 0x208,     // 520
};

class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    // Adds (kNimAdd) or deletes (kNimDelete) the icon the record describes.
    // An added icon is the program's until it is deleted, also while the
    // desktop's notification area does not show it (there is none yet, or
    // it lost the icon when it restarted): it is shown as soon as the area
    // can. An add for an icon that is shown, and a delete for one that is
    // not the program's, are refused: they change nothing and return false.
    // An add for an icon of the program's that is not shown asks the area
    // again, and returns whether it took it. The icon's mouse events reach
    // the window `hWnd` as its mouse-move event with X = the mouse message
    // code × 15 twips (see Form::onMouseMove).
    virtual bool notifyIcon(int message, TrayRecord& record) = 0;
    // Whether the icon the record names is on the desktop's notification
    // area now, where a double click on it can bring its window back.
    virtual bool isShown(const TrayRecord& record) const = 0;
};

// ---- windows ----------------------------------------------------------------

// Window sizes as the program reads and sets them from code: the outer size,
// frame and title bar included, in twips.
class WindowFunctions {
public:
    virtual ~WindowFunctions() = default;
    virtual float width(const Form& window) const = 0;
    virtual float height(const Form& window) const = 0;
    // Keeps the window's left and top edges. The size asked for is what a
    // later read gives back, whatever the window manager made of it, and a
    // window can be made as small as asked, narrower than its contents.
    virtual void setWidth(Form& window, float twips) = 0;
    virtual void setHeight(Form& window, float twips) = 0;

    // The window functions of the system the program was made for, by
    // window handle, with its arguments and results. Where the host has no
    // such thing, it gives the same result its own way.
    virtual bool setWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                              quint32 flags) = 0;
    virtual qint32 getWindowLong(WindowHandle window, int index) = 0;
    // Returns the value before.
    virtual qint32 setWindowLong(WindowHandle window, int index, qint32 value) = 0;
    virtual bool setLayeredWindowAttributes(WindowHandle window, quint32 colourKey, quint8 alpha,
                                            quint32 flags) = 0;
};

inline constexpr qintptr kHwndTopmost = -1;
inline constexpr qintptr kHwndNoTopmost = -2;
inline constexpr quint32 kSwpNoSize = 0x1;
inline constexpr quint32 kSwpNoMove = 0x2;
inline constexpr int kGwlExStyle = -20;
inline constexpr qint32 kWsExLayered = 0x80000;
inline constexpr quint32 kLwaColorKey = 0x1;
inline constexpr quint32 kLwaAlpha = 0x2;

// ---- the network ------------------------------------------------------------

// The Internet transfer control: one document fetched over HTTP.
class InternetTransfer {
public:
    virtual ~InternetTransfer() = default;
    // Fetches the document at `address`, a host and a path without a scheme
    // ("example.org/gx.txt", fetched as http://), and returns its text. It
    // returns only when the fetch is over, but the program's other windows
    // and timers go on meanwhile. Nothing (and the reason in lastError())
    // when the fetch fails: no network, no such host, a refused connection,
    // an error status, a document too large, or no answer in time.
    virtual std::optional<QString> openUrl(const QString& address) = 0;
    virtual QString lastError() const = 0;
};

// ---- the program ------------------------------------------------------------

class Program {
public:
    virtual ~Program() = default;
    // Ends the program at once, with exit status 0: every window goes, no
    // further event of any kind is raised and nothing after the call runs.
    virtual void end() = 0;
};

struct Platform {
    MessageBox& messages;
    Shell& shell;
    Clock& clock;
    ProgramFolder& folder;
    Timers& timers;
    NotificationArea& tray;
    WindowFunctions& windows;
    Program& program;
    Pictures& pictures;
    SequentialFiles& files;
    InternetTransfer& internet;
};

} // namespace platform
