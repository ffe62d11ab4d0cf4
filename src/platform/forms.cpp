#include "forms.h"

#include "twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPainter>
#include <QScreen>

#include <stdexcept>

namespace platform {

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void Form::setPicture(const Picture& picture)
{
    picture_ = picture;
    update();
}

void Form::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_.pixmap);
}

WindowHandle Form::hWnd() { return WindowHandle(winId()); }

Form* Form::fromHandle(WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
    return dynamic_cast<Form*>(QWidget::find(WId(handle)));
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

void Form::closeEvent(QCloseEvent* event)
{
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
    form->onLoad();
    return *form;
}

bool Forms::show(const QString& name)
{
    if (!isDefined(name))
        return false;
    Form& form = load(name);
    if (!form.shownOnce_) {
        form.shownOnce_ = true;
        form.ensurePolished();
        if (form.layout())
            form.layout()->activate();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            form.move(area.center() - QPoint(form.width() / 2, form.height() / 2));
        }
    }
    if (form.isMinimized())
        form.showNormal();
    else
        form.show();
    form.raise();
    form.activateWindow();
    return true;
}

void Forms::unload(const QString& name)
{
    if (Form* form = loaded_.value(name))
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
