#pragma once
// The program's windows ("forms"). Each is addressed by its name, exists at
// most once, is created and loaded the first time it is referred to, runs its
// load handling before it first becomes visible, and is unloaded when it is
// closed (unless its query-unload handling keeps it).

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

    // Load: runs once, after the window is created and before it is first shown.
    virtual void onLoad() {}
    // QueryUnload: runs before every unload, whatever asked for it; setting
    // `cancel` keeps the window loaded.
    virtual void onQueryUnload(bool& /*cancel*/) {}
    // Unload: the window is about to be destroyed.
    virtual void onUnload() {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class Forms;
    Forms* forms_ = nullptr;
    QString name_;
    bool shownOnce_ = false;
};

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

    // Loads the window if needed, makes it visible and brings it to the front.
    // The first show after a load centres it on the screen. Returns false for
    // a name no window is defined under.
    bool show(const QString& name);

    bool isLoaded(const QString& name) const { return loaded_.contains(name); }

    // Asks the window to close: its query-unload may keep it.
    void unload(const QString& name);

private:
    friend class Form;
    void forget(Form* form);

    QMap<QString, Factory> factories_;
    QMap<QString, QPointer<Form>> loaded_;
};

} // namespace platform
