#include "message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

// Builds the box with the program's own Chinese button captions, so that they
// read the same whatever Qt translations are installed.
void setUpBox(QMessageBox& box, const QString& prompt, int flags, const QString& title)
{
    box.setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
    box.setText(prompt);
    box.setIcon(iconFor(flags));
    box.setTextFormat(Qt::PlainText);
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

} // namespace

int HostMessageBox::show(const QString& prompt, int flags, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    setUpBox(box, prompt, flags, title);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (asksYesNo(flags))
        return box.buttonRole(box.clickedButton()) == QMessageBox::YesRole ? kAnswerYes : kAnswerNo;
    return kAnswerOk;
}

void HostMessageBox::notify(const QString& prompt, int flags, const QString& title)
{
    auto* box = new QMessageBox();
    setUpBox(*box, prompt, flags, title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    box->raise();
}

} // namespace platform
