#include "about_window.h"

#include "platform/design.h"
#include "platform/form_names.h"
#include "platform/twips.h"
#include "texts.h"

namespace info {

using platform::place;
using platform::setTextColour;
using platform::twipsRect;

namespace {

QFont boldYaHei()
{
    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

} // namespace

AboutWindow::AboutWindow(platform::Forms& forms)
    : Form(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      forms_(forms)
{
    setObjectName(platform::names::kAbout);
    setWindowTitle(kTitle);
    setFixedSize(platform::twipsSize(8640, 2955));
    setBackColor(QColor(255, 0, 0));
    setPicture(platform::builtInPicture(QStringLiteral("about.bmp")));

    Label1 = place(new platform::Label(kVersionNotes, this), "Label1", twipsRect(6720, 840, 1575, 1455));
    Label1->setFont(boldYaHei());
    Label1->setWordWrap(true);
    setTextColour(Label1, 0x8000000b);
    Command1 = place(new platform::CommandButton(QStringLiteral("确定"), this), "Command1",
                     twipsRect(6720, 2400, 1455, 375));
    Label2 = place(new platform::Label(kPortableEdition, this), "Label2", twipsRect(0, 0, 1935, 255));
    Label3 = place(new platform::Label(kCredit, this), "Label3", twipsRect(6720, 120, 1695, 375));
    Label3->setFont(boldYaHei());
    setTextColour(Label3, 0x8000000e);
    // Labels draw no background of their own: the picture shows through.

    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, [this] { onCommand1Click(); });
}

void AboutWindow::onCommand1Click() { forms_.unload(platform::names::kAbout); }

} // namespace info
