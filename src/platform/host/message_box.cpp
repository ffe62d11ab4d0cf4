#include "message_box.h"

#include "desktop.h"
#include "fresh_keys.h"
#include "pictures.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSpacerItem>
#include <QStyle>

namespace platform {

namespace {

QMessageBox::Icon iconFor(int flags)
{
    switch (flags & 0x70) {
    case kCritical: return QMessageBox::Critical;
    case kInformation: return QMessageBox::Information;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
    }
}

// The box's icon as the screen shows it: Qt's style has its icons drawn for
// 32 px only where the desktop gives it no icon theme (UKUI, Xfce, a bare
// X11); on a screen of two device pixels to a point they would be enlarged,
// soft. There the program's own, drawn at the screen's scale, are shown.
void setIcon(QMessageBox& box, int flags)
{
    const QMessageBox::Icon icon = iconFor(flags);
    box.setIcon(icon);
    const char* own = icon == QMessageBox::Critical ? "box-stop.png"
                      : icon == QMessageBox::Information ? "box-information.png"
                                                          : nullptr;
    const qreal ratio = qApp->devicePixelRatio();
    if (!own || ratio <= 1.0)
        return;
    const int extent = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    const QIcon standard = box.style()->standardIcon(
        icon == QMessageBox::Critical ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxInformation, nullptr, &box);
    const QSize wanted = QSize(extent, extent) * ratio;
    if (!standard.isNull() && standard.actualSize(wanted).width() >= wanted.width())
        return; // the desktop's own, sharp
    const QImage picture = readBuiltInPicture(QString::fromLatin1(own), ratio);
    if (!picture.isNull())
        box.setIconPixmap(QPixmap::fromImage(picture));
}

// Builds the box with the program's own Chinese button captions, so that they
// read the same whatever Qt translations are installed.
void setUpBox(QMessageBox& box, const QString& prompt, int flags, const QString& title)
{
    box.setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
    box.setText(prompt);
    setIcon(box, flags);
    box.setTextFormat(Qt::PlainText);
    // What a box says can be copied (an address, an error to look up).
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (asksYesNo(flags)) {
        QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
    }
    // Wide enough that the window manager need not cut the title short
    // (the frame's icon and buttons take about as much again).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle());
        grid->addItem(new QSpacerItem(qMin(titleWidth + 120, 640), 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

// While a box is open, it acts only on keys that went down after it was
// shown. A key held from before (the Enter that pressed the button which
// opened the box, say) reaches neither its buttons, nor its access keys, nor
// its default and escape buttons, however long it is held; neither does the
// release of such a key. A key pressed afresh works as usual, so pressing
// Enter twice on purpose still answers.
class FreshKeysOnly final : public QObject {
public:
    explicit FreshKeysOnly(QWidget* box, QObject* parent = nullptr)
        : QObject(parent), box_(box), shownSince_(FreshKeys::instance().now())
    {
        qApp->installEventFilter(this);
    }
    ~FreshKeysOnly() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!box_ || !widget || (widget != box_ && !box_->isAncestorOf(widget)))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool fresh = type == QEvent::KeyRelease ? !key->isAutoRepeat() && down_.contains(key->key())
                                                      : FreshKeys::instance().isFreshSince(*key, shownSince_);
        if (!fresh) {
            // Accepting the override keeps the shortcut map from acting on
            // it; the key press that follows is swallowed here too.
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress)
            down_.insert(key->key());
        else if (type == QEvent::KeyRelease)
            down_.remove(key->key());
        return false;
    }

private:
    QPointer<QWidget> box_;
    FreshKeys::Moment shownSince_;
    QSet<int> down_;
};

} // namespace

int HostMessageBox::show(const QString& prompt, int flags, const QString& title)
{
    // Over the active window; but a box over a window that has just been
    // minimised or hidden would go with it (window managers keep a window's
    // boxes with it): such a box stands alone, centred on the screen.
    QWidget* over = QApplication::activeWindow();
    if (over && (over->isMinimized() || !over->isVisible()))
        over = nullptr;
    QMessageBox box(over);
    prepareBox(box);
    setUpBox(box, prompt, flags, title);
    box.setWindowModality(Qt::ApplicationModal);
    const FreshKeysOnly freshKeys(&box);
    box.exec();
    if (asksYesNo(flags))
        return box.buttonRole(box.clickedButton()) == QMessageBox::YesRole ? kAnswerYes : kAnswerNo;
    return kAnswerOk;
}

HostMessageBox::~HostMessageBox() { delete notice_.data(); }

void HostMessageBox::notify(const QString& prompt, int flags, const QString& title)
{
    if (QMessageBox* open = notice_.data()) {
        open->setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
        setIcon(*open, flags);
        open->setText(prompt);
        open->show();
        open->raise(); // to the front, without taking the keyboard from where the user types
        return;
    }
    auto* box = new QMessageBox();
    setUpBox(*box, prompt, flags, title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    new FreshKeysOnly(box, box); // a child: it goes with the box
    box->setWindowModality(Qt::NonModal);
    prepareBox(*box);
    notice_ = box;
    box->show();
    box->raise();
}

} // namespace platform
