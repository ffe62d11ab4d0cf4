#pragma once
// The program's windows ("forms"). Each is addressed by its name, exists at
// most once, is created and loaded the first time it is referred to, runs its
// load handling before it first becomes visible, and is unloaded when it is
// closed (unless its query-unload handling keeps it).

#include "host/desktop.h"
#include "platform.h"

#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace platform {

class Forms;

class Form : public QWidget {
public:
    explicit Form(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Form() override;

    // Load: runs once, after the window is created and before it is first shown.
    virtual void onLoad() {}
    // QueryUnload: runs before every unload, whatever asked for it; setting
    // `cancel` keeps the window loaded.
    virtual void onQueryUnload(bool& /*cancel*/) {}
    // Unload: the window is about to be destroyed.
    virtual void onUnload() {}
    // MouseMove: the mouse moved over the window's client area, or the
    // notification area reports an event of the window's icon (then X is the
    // mouse message code × 15 and Y is 0). Button: 1 left, 2 right, 4 middle;
    // shift: 1 Shift, 2 Ctrl, 4 Alt; X and Y in twips.
    virtual void onMouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}

    // Picture: drawn at its natural size from the top-left corner of the
    // client area, under the controls, and cut off at its edges. Setting it
    // replaces the one shown at once.
    virtual void setPicture(const Picture& picture);
    virtual Picture picture() const { return picture_; }

    // BackColor: the colour the client area is filled with under the picture.
    void setBackColor(const QColor& colour);
    QColor backColor() const { return backColor_; }

    // The colour key of a layered window (set by the host's window
    // functions): every pixel of exactly `key`, background or picture, is
    // fully transparent; every other pixel stays opaque.
    void setColourKey(const QColor& key, ColourKeyMode mode);
    ColourKeyMode colourKeyMode() const { return keyMode_; }
    QColor colourKey() const { return key_; }

    // The window's handle, by which the notification area and the window
    // functions name it: the native window's on Windows; elsewhere a number
    // of the window's own, so that asking for it makes no native window.
    WindowHandle hWnd();
    // The loaded window with that handle, or nullptr.
    static Form* fromHandle(WindowHandle handle);

    // Minimises the window to the task bar, also where its title bar offers
    // no minimise button.
    void minimize();

    // The window `owner` owns this one (set in Load, before the first show):
    // the window manager keeps this one in front of its owner, and while the
    // owner is disabled, this one is brought to the front whenever the
    // owner is activated all the same (a window manager that raises what is
    // clicked, disabled or not), as the owner of a dialog would on Windows.
    void setOwner(Form& owner);

    // Raises MouseMove for a real mouse movement, position in pixels of the
    // client area.
    void raiseMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF pixels);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class Forms;
    void updateKeyedPicture();
    void updateShape();

    Picture picture_;
    QPixmap keyedPicture_; // the picture with the key colour made transparent
    QColor backColor_;
    QColor key_;
    ColourKeyMode keyMode_ = ColourKeyMode::None;
    WindowHandle handle_ = 0;
    Forms* forms_ = nullptr;
    QString name_;
    bool shownOnce_ = false;
    QPointer<Form> owner_;
    bool loading_ = false; // inside its Load
};

// Delivers a notification-area mouse message (kWmLButtonDblClk, …) to the
// window `handle`, as its MouseMove with X = code × 15 twips, from the event
// loop (never inside the caller). Returns false when no such window exists.
bool postMouseMessage(WindowHandle handle, int code);

class Forms {
public:
    using Factory = std::function<std::unique_ptr<Form>()>;

    Forms() = default;
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;
    ~Forms();

    void define(const QString& name, Factory factory);
    bool isDefined(const QString& name) const { return factories_.contains(name); }

    // The window called `name`, created and loaded first if it is not loaded.
    // The name must be defined.
    Form& load(const QString& name);
    template <class T> T& load(const QString& name) { return static_cast<T&>(load(name)); }

    // Loads the window if needed, makes it visible (restoring it when it was
    // minimised) and brings it to the front. The first show after a load
    // centres it on the screen. A window that is still loading is left to
    // the show that loads it. Returns false for a name no window is defined
    // under.
    bool show(const QString& name);

    bool isLoaded(const QString& name) const { return loaded_.contains(name); }
    // Whether the window is inside its Load (which may wait, with the rest
    // of the program running on).
    bool isLoading(const QString& name) const
    {
        const Form* form = loaded_.value(name);
        return form && form->loading_;
    }

    // Asks the window to close: its query-unload may keep it. A window that
    // is still loading is not asked.
    void unload(const QString& name);

private:
    friend class Form;
    void forget(Form* form);

    QMap<QString, Factory> factories_;
    QMap<QString, QPointer<Form>> loaded_;
};

} // namespace platform
