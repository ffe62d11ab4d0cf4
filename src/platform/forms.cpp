#include "forms.h"

#include "twips.h"
#include "host/desktop.h"

#include <QAction>
#include <QBitmap>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHash>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include <stdexcept>

namespace platform {

namespace {

// The loaded windows by handle (where handles are the program's own).
QHash<WindowHandle, Form*>& formsByHandle()
{
    static QHash<WindowHandle, Form*> forms;
    return forms;
}

#ifndef Q_OS_WIN
WindowHandle nextHandle = 0x10000; // Windows has handles of its own
#endif

} // namespace

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

Form::~Form()
{
    if (handle_)
        formsByHandle().remove(handle_);
}

void Form::setBackColor(const QColor& colour)
{
    // Painted by the window itself rather than given to it as a palette:
    // the window's controls then keep the application's palette, and the
    // pictures Qt's style caches of them, keyed by their palette, serve
    // every instance of the window instead of piling up one set per opening.
    backColor_ = colour;
    update();
}

void Form::setColourKey(const QColor& key, ColourKeyMode mode)
{
    key_ = key;
    keyMode_ = mode;
    if (mode == ColourKeyMode::Alpha) {
        // Must come before the native window is made, for a window with an
        // alpha channel.
        setAttribute(Qt::WA_TranslucentBackground);
    }
    updateKeyedPicture();
    if (isVisible())
        updateShape();
    update();
}

void Form::updateKeyedPicture()
{
    keyedPicture_ = QPixmap();
    if (keyMode_ != ColourKeyMode::Alpha || picture_.isNull())
        return;
    QImage image = picture_.pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = key_.rgb() & 0xffffff;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xffffff) == key && qAlpha(line[x]) == 255)
                line[x] = 0;
    }
    keyedPicture_ = QPixmap::fromImage(image);
}

void Form::updateShape()
{
    if (keyMode_ != ColourKeyMode::ShapeMask)
        return;
    // The window's background and picture as they are drawn: every pixel of
    // exactly the key colour is cut out of its shape. (Its controls are not
    // drawn for this; none has the key colour.) Drawn in the window's own
    // points, in which a mask is given (on a screen of two device pixels to
    // a point, a mask in device pixels would be taken at twice its size).
    QImage drawn(size(), QImage::Format_RGB32);
    drawn.setDevicePixelRatio(1);
    render(&drawn, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    setMask(QBitmap::fromImage(drawn.createMaskFromColor(key_.rgb(), Qt::MaskInColor)));
}

void Form::changeEvent(QEvent* event)
{
    // A disabled window takes no input, its menu commands included: those
    // can be reached without the menu bar (by assistive technology).
    if (event->type() == QEvent::EnabledChange)
        for (QMenuBar* bar : findChildren<QMenuBar*>())
            for (QAction* action : bar->actions())
                action->setEnabled(isEnabled());
    QWidget::changeEvent(event);
}

namespace {

// Brings `owned` to the front when its owner, disabled, is activated.
class FrontWhenOwnerActivated final : public QObject {
public:
    FrontWhenOwnerActivated(Form& owned, Form& owner) : QObject(&owned), owned_(&owned), owner_(&owner)
    {
        owner.installEventFilter(this);
    }
    ~FrontWhenOwnerActivated() override
    {
        if (owner_)
            owner_->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == owner_ && event->type() == QEvent::WindowActivate && !owner_->isEnabled() && owned_
            && owned_->isVisible()) {
            // After the window manager has done with the owner.
            QTimer::singleShot(0, owned_, [owned = owned_] {
                if (owned) {
                    owned->raise();
                    owned->activateWindow();
                }
            });
        }
        return false;
    }

private:
    QPointer<QWidget> owned_, owner_; // QWidget: what a Form still is while it is destroyed
};

} // namespace

void Form::setOwner(Form& owner)
{
    owner_ = &owner;
    new FrontWhenOwnerActivated(*this, owner);
}

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateShape(); // before the window is mapped, so the key colour never shows
}

void Form::setPicture(const Picture& picture)
{
    picture_ = picture;
    updateKeyedPicture();
    if (isVisible())
        updateShape();
    update();
}

void Form::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (keyMode_ == ColourKeyMode::Alpha) {
        // The background is the key colour or shows as itself.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), backColor_.rgb() == key_.rgb() || !backColor_.isValid() ? QColor(Qt::transparent)
                                                                                          : backColor_);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (!keyedPicture_.isNull())
            painter.drawPixmap(0, 0, keyedPicture_);
        return;
    }
    if (backColor_.isValid())
        painter.fillRect(rect(), backColor_);
    if (!picture_.isNull())
        painter.drawPixmap(0, 0, picture_.pixmap);
}

WindowHandle Form::hWnd()
{
#ifdef Q_OS_WIN
    return WindowHandle(winId());
#else
    if (!handle_) {
        handle_ = nextHandle++;
        formsByHandle().insert(handle_, this);
    }
    return handle_;
#endif
}

Form* Form::fromHandle(WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
#ifdef Q_OS_WIN
    return dynamic_cast<Form*>(QWidget::find(WId(handle)));
#else
    return formsByHandle().value(handle);
#endif
}

void Form::raiseMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF pixels)
{
    int button = 0;
    if (buttons & Qt::LeftButton)
        button |= 1;
    if (buttons & Qt::RightButton)
        button |= 2;
    if (buttons & Qt::MiddleButton)
        button |= 4;
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    onMouseMove(button, shift, float(pixels.x() * kTwipsPerPixel), float(pixels.y() * kTwipsPerPixel));
}

bool postMouseMessage(WindowHandle handle, int code)
{
    Form* form = Form::fromHandle(handle);
    if (!form)
        return false;
    QMetaObject::invokeMethod(
        form, [form, code] { form->onMouseMove(0, 0, float(code * kTwipsPerPixel), 0.0f); }, Qt::QueuedConnection);
    return true;
}

void Form::minimize() { minimizeToTaskBar(*this); }

void Form::closeEvent(QCloseEvent* event)
{
    // A disabled window's close box does nothing, like its other controls.
    // Close requests of the program's own (a signal, the session ending)
    // still go through.
    if (event->spontaneous() && !isEnabled()) {
        event->ignore();
        return;
    }
    bool cancel = false;
    onQueryUnload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    onUnload();
    event->accept();
    if (forms_)
        forms_->forget(this);
}

Forms::~Forms()
{
    for (const QPointer<Form>& form : std::as_const(loaded_))
        delete form.data();
}

void Forms::define(const QString& name, Factory factory) { factories_.insert(name, std::move(factory)); }

Form& Forms::load(const QString& name)
{
    if (Form* form = loaded_.value(name))
        return *form;
    const auto factory = factories_.constFind(name);
    if (factory == factories_.cend())
        throw std::logic_error("no window is defined as " + name.toStdString());
    std::unique_ptr<Form> created = (*factory)();
    Form* form = created.release();
    form->forms_ = this;
    form->name_ = name;
    loaded_.insert(name, form);
    // A Load may wait (the update check fetches over the network) while the
    // rest of the program runs on; meanwhile the window is loading: a
    // further show or unload of it changes nothing.
    form->loading_ = true;
    form->onLoad();
    form->loading_ = false;
    return *form;
}

bool Forms::show(const QString& name)
{
    if (!isDefined(name))
        return false;
    if (const Form* loading = loaded_.value(name); loading && loading->loading_)
        return true; // the show that loads it shows it when the Load is over
    Form& form = load(name);
    if (!form.shownOnce_) {
        form.shownOnce_ = true;
        form.ensurePolished();
        if (form.layout())
            form.layout()->activate();
        prepareFirstShow(form);
        centreOnScreen(form);
    }
    if (form.isMinimized())
        form.showNormal();
    else
        form.show();
    if (form.owner_)
        keepAboveOwner(form, *form.owner_);
    form.raise();
    form.activateWindow();
    return true;
}

void Forms::unload(const QString& name)
{
    if (Form* form = loaded_.value(name); form && !form->loading_)
        form->close();
}

void Forms::forget(Form* form)
{
    loaded_.remove(form->name_);
    form->forms_ = nullptr;
    form->hide();
    form->deleteLater();
}

} // namespace platform
