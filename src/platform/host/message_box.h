#pragma once
// Message boxes as Qt dialogs with the program's own Chinese buttons.

#include "platform/platform.h"

#include <QPointer>

class QMessageBox;

namespace platform {

class HostMessageBox final : public MessageBox {
public:
    ~HostMessageBox() override;
    int show(const QString& prompt, int flags, const QString& title = QString()) override;
    // At most one notice is open at a time: a new one replaces the text of
    // the one that is open and brings it to the front, so that any number of
    // failures leaves one window.
    void notify(const QString& prompt, int flags, const QString& title) override;

private:
    QPointer<QMessageBox> notice_;
};

} // namespace platform
