#include "main_window.h"

#include "info/commands.h"
#include "info/texts.h"
#include "platform/colours.h"
#include "platform/command_button.h"
#include "platform/design.h"
#include "platform/menu_bar.h"
#include "platform/option_button.h"
#include "platform/twips.h"
#include "schedule/shutdown_commands.h"
#include "skins/skin_store.h"

#include <QAction>
#include <QGroupBox>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace app {

using platform::fillBackground;
using platform::place;
using platform::setTextColour;
using platform::twipsRect;

namespace {

constexpr std::uint32_t kRed = 0x000000ff;
constexpr std::uint32_t kInactiveBorder = 0x8000000b;

} // namespace

// ---- ClickLabel, ClientArea ------------------------------------------------

void ClientArea::setPicture(const platform::Picture& picture)
{
    // Only the part that shows is kept: the picture is drawn from the top-left
    // corner at its natural size and cut off at the edges, which never move
    // out (the window only ever shrinks).
    picture_ = picture;
    const qreal ratio = picture.pixmap.devicePixelRatio();
    const QSize area = (QSizeF(size()) * ratio).toSize();
    const QRect shown = QRect(QPoint(0, 0), area).intersected(picture.pixmap.rect());
    if (!picture.isNull() && shown != picture.pixmap.rect()) {
        picture_.pixmap = picture.pixmap.copy(shown);
        picture_.pixmap.setDevicePixelRatio(ratio);
    }
    // A picture that covers the area hides the window's background: that is
    // then not drawn beneath it (the clock line, each second, repaints only
    // the picture and its text).
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !picture.isNull() && !picture_.pixmap.hasAlphaChannel() && shown.size() == area);
    update();
}

void ClientArea::mouseMoveEvent(QMouseEvent* event)
{
    if (auto* form = dynamic_cast<platform::Form*>(window()))
        form->raiseMouseMove(event->buttons(), event->modifiers(), event->position());
    QWidget::mouseMoveEvent(event);
}

void ClientArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!picture_.isNull())
        painter.drawPixmap(0, 0, picture_.pixmap); // natural size, cut off at the edges
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    // Only where the repaint reaches (not for the clock line's, each second).
    for (const QLine& line : {QLine(platform::twipsPoint(0, 2880), platform::twipsPoint(3720, 2880)),
                              QLine(platform::twipsPoint(0, 3360), platform::twipsPoint(3600, 3360))}) {
        if (event->region().intersects(QRect(line.p1(), line.p2()).adjusted(0, -1, 1, 1)))
            painter.drawLine(line);
    }
}

// ---- MainWindow ------------------------------------------------------------

MainWindow::MainWindow(platform::Platform& platform, platform::Forms& forms)
    : Form(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform), forms_(forms)
{
    setObjectName(kName);
    setWindowTitle(kTitle);
    buildControls();
    connectHandlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    // Each menu item is a command of its own on the bar, with no submenu.
    menuBar = new platform::MenuBar(this);
    换肤 = menuBar->addAction(QStringLiteral("换肤"));
    留言 = menuBar->addAction(QStringLiteral("给我工资"));
    说明 = menuBar->addAction(QStringLiteral("说明"));
    关于 = menuBar->addAction(QStringLiteral("关于"));

    // No layout: the menu bar and the client area keep their places and
    // sizes when the closing animation makes the window smaller; they are
    // simply cut off by its edges.
    const QSize area = platform::twipsSize(3690, 4170);
    const int barHeight = menuBar->heightForWidth(area.width()) > 0 ? menuBar->heightForWidth(area.width())
                                                                    : menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, area.width(), barHeight);
    client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    client->setGeometry(QRect(QPoint(0, barHeight), area));
    setFixedSize(area.width(), barHeight + area.height());

    Frame1 = place(new QGroupBox(QStringLiteral("时间设定（秒）"), client), "Frame1", twipsRect(120, 120, 1935, 855));
    fillBackground(Frame1, platform::colourFromValue(kInactiveBorder));
    Text1 = place(new platform::TextBox(Frame1), "Text1", twipsRect(120, 360, 1695, 270));
    Text1->QLineEdit::setText(QStringLiteral("60"));
    // A box for seconds: keys go straight to it, not through an input method.
    Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Text1->setInputMethodHints(Qt::ImhDigitsOnly);

    Frame2 = place(new QGroupBox(QStringLiteral("选择模式"), client), "Frame2", twipsRect(2160, 120, 1455, 855));
    fillBackground(Frame2, platform::systemColour(15));
    // Chosen also when the keyboard brings the focus to it, as the system the
    // program was made for does: Tab to "关机" then "开始计时" counts.
    Option1 = place(new platform::OptionButton(QStringLiteral("关机"), Frame2), "Option1", twipsRect(120, 240, 1095, 255));
    Option2 = place(new platform::OptionButton(QStringLiteral("重启"), Frame2), "Option2", twipsRect(120, 480, 975, 375));

    auto button = [this](const char* name, const char* caption, const QRect& rect) {
        return place(new platform::CommandButton(QString::fromUtf8(caption), client), name, rect);
    };
    Command2 = button("Command2", "六十秒关机", twipsRect(120, 960, 1095, 375));
    Command7 = button("Command7", "30分钟关机", twipsRect(1320, 960, 1095, 375));
    Command3 = button("Command3", "1小时关机", twipsRect(2520, 960, 1095, 375));
    Command8 = button("Command8", "2小时关机", twipsRect(120, 1440, 1095, 375));
    Command4 = button("Command4", "3小时关机", twipsRect(1320, 1440, 1095, 375));
    Command9 = button("Command9", "5小时关机", twipsRect(2520, 1440, 1095, 375));
    Command6 = button("Command6", "取消快捷按钮关机", twipsRect(120, 1920, 3495, 255));
    Command1 = button("Command1", "开始计时", twipsRect(120, 2280, 975, 495));
    Command10 = button("Command10", "立刻关机", twipsRect(1200, 2280, 1215, 495));
    Command5 = button("Command5", "最小化到任务栏", twipsRect(2520, 2280, 1095, 495));

    // The clock line: drawn smaller rather than cut off where a locale's
    // date and time are wider than its box.
    Label2 = place(new platform::FittingLabel(client), "Label2", twipsRect(0, 3000, 3615, 255));
    // Its box never changes: a new text each second asks no new layout.
    Label2->setFixedSize(Label2->size());

    Label1 = place(new platform::Label(info::kVersionNotes, client), "Label1", twipsRect(0, 3480, 3375, 615));
    Label1->setWordWrap(true);
    setTextColour(Label1, kRed);

    Label3 = place(new platform::ClickLabel(QStringLiteral("检查更新"), client), "Label3", twipsRect(2880, 3840, 720, 255));
    QFont label3Font(QStringLiteral("微软雅黑"));
    label3Font.setPointSize(9);
    label3Font.setBold(true);
    Label3->setFont(label3Font);
    setTextColour(Label3, kRed);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->adjustSize(); // sized to its text

    // Holds the skin name; it stands beyond the right edge and is never seen,
    // so it is kept out of sight and out of the keyboard order altogether.
    Text2 = place(new platform::TextBox(client), "Text2", twipsRect(7920, 2640, 2415, 495));
    Text2->QLineEdit::setText(QStringLiteral("星空"));
    Text2->hide();

    // The window's own picture, until a skin replaces it.
    client->setPicture(platform::builtInPicture(kPicture));

    // Keyboard order; frames and labels take no focus, but for "检查更新",
    // which is pressed like a link and comes last.
    QWidget* order[] = {Text1,    Command1, Option1,  Option2,  Command2,  Command3, Command4,
                        Command5, Command6, Command7, Command8, Command9, Command10, Label3};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Text1->setFocus();

    auto& timers = platform_.timers;
    // The count keeps to the clock, also when the program was stopped or the
    // machine slept: the seconds missed are counted down at once.
    Timer1 = timers.create(QStringLiteral("main.Timer1"), 1000, false, platform::TimerPrecision::OnTheClock);
    // The clock line changes once a second: its timer wakes the program only
    // then, just after the second turns, and not at all while the window is
    // hidden or minimised (see showEvent, hideEvent).
    Timer2 = timers.create(QStringLiteral("main.Timer2"), 30, true, platform::TimerPrecision::OnTheSecond);
    // Precise, so that the closing animation's steps do not drift.
    ULD = timers.create(QStringLiteral("main.ULD"), 30, false, platform::TimerPrecision::Precise);
}

void MainWindow::connectHandlers()
{
    countdown_ = std::make_unique<schedule::Countdown>(
        schedule::Countdown::Controls{*Text1, *Option1, *Option2, *Timer1}, platform_.messages, platform_.shell);
    Text1->onKeyPress = [this](int& keyCode) { onText1KeyPress(keyCode); };
    Text1->onChange = [this] { onText1Change(); };
    Timer1->onTimer = [this] { onTimer1Timer(); };
    connect(Command1, &QPushButton::clicked, this, [this] { onCommand1Click(); });
    Timer2->onTimer = [this] { onTimer2Timer(); };
    Text2->onChange = [this] { onText2Change(); };
    ULD->onTimer = [this] { onUldTimer(); };
    connect(Command5, &QPushButton::clicked, this, [this] { onCommand5Click(); });
    Label3->onClick = [this] { onLabel3Click(); };
    connect(换肤, &QAction::triggered, this, [this] { on换肤Click(); });
    connect(关于, &QAction::triggered, this, [this] { on关于Click(); });
    connect(说明, &QAction::triggered, this, [this] { on说明Click(); });
    connect(留言, &QAction::triggered, this, [this] { on留言Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { onCommand2Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { onCommand3Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { onCommand4Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { onCommand6Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { onCommand7Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { onCommand8Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { onCommand9Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { onCommand10Click(); });
}

// ---- notification-area icon and closing -------------------------------------

void MainWindow::onLoad()
{
    addTrayIcon();
    // The stored skin; setting Text2 applies it, also when it already holds
    // the name read.
    if (const std::optional<QString> stored = skins::readStoredSkin(platform_.files))
        Text2->setText(*stored);
}

void MainWindow::onText2Change() { skins::applySkin(Text2->text(), platform_, forms_); }

void MainWindow::setPicture(const platform::Picture& picture) { client->setPicture(picture); }

platform::Picture MainWindow::picture() const { return client->picture(); }

void MainWindow::addTrayIcon()
{
    platform::TrayRecord& record = TrayRecord;
    record.cbSize = 28;
    record.uID = 1;
    record.hWnd = hWnd();
    record.uFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
    record.uCallbackMessage = platform::kWmMouseMove;
    record.hIcon = windowIcon();
    platform_.tray.notifyIcon(platform::kNimAdd, record);
}

void MainWindow::onCommand5Click()
{
    addTrayIcon();
    // Where the icon is not on the desktop's notification area (there is
    // none, or Windows' taskbar is not there yet) there would be nothing to
    // bring the window back with: it goes to the task bar instead.
    if (platform_.tray.isShown(TrayRecord))
        hide();
    else
        minimize();
    platform_.messages.show(QStringLiteral("已最小化！可以双击任务栏的图标重新呼出！"), platform::kInformation,
                            QStringLiteral("最小化！"));
}

void MainWindow::onMouseMove(int /*button*/, int /*shift*/, float x, float /*y*/)
{
    // X carries the icon's mouse message code, in twips.
    const float code = x / float(platform::kTwipsPerPixel);
    if (!std::isfinite(code) || std::fabs(code) > 2.0e9f)
        return;
    if (std::lrint(code) == platform::kWmLButtonDblClk) { // halves go to the even neighbour
        forms_.show(kName);
        addTrayIcon();
    }
}

void MainWindow::onQueryUnload(bool& cancel)
{
    cancel = true;
    ULD->setEnabled(true);
    platform_.tray.notifyIcon(platform::kNimDelete, TrayRecord);
}

void MainWindow::onUnload()
{
    platform_.tray.notifyIcon(platform::kNimDelete, TrayRecord);
}

void MainWindow::onUldTimer()
{
    platform::WindowFunctions& windows = platform_.windows;
    windows.setWidth(*this, windows.width(*this) - 100);
    windows.setHeight(*this, windows.height(*this) - 100);
    if (windows.width(*this) < 1000)
        platform_.program.end();
}

// ---- countdown, clock, menu, presets ----------------------------------------

void MainWindow::onText1KeyPress(int& keyCode) { countdown_->onText1KeyPress(keyCode); }
void MainWindow::onText1Change() { countdown_->onText1Change(); }
void MainWindow::onCommand1Click() { countdown_->onCommand1Click(); }
void MainWindow::onTimer1Timer() { countdown_->onTimer1Timer(); }

void MainWindow::followClock(bool seen)
{
    if (!Timer2)
        return;
    if (seen)
        onTimer2Timer();
    Timer2->setEnabled(seen);
}

void MainWindow::showEvent(QShowEvent* event)
{
    followClock(!isMinimized());
    Form::showEvent(event);
}

void MainWindow::hideEvent(QHideEvent* event)
{
    followClock(false);
    Form::hideEvent(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isVisible())
        followClock(!isMinimized());
    Form::changeEvent(event);
}

void MainWindow::onTimer2Timer()
{
    // The line changes once a second; between two seconds a rewrite would
    // put up the same text again, so the formatting is done only when the
    // second has moved on.
    const platform::Clock& clock = platform_.clock;
    const qint64 second = clock.epochSecond();
    if (second == clockSecond_)
        return;
    clockSecond_ = second;
    Label2->setText(kClockPrefix + clock.generalText(clock.now()));
}

void MainWindow::onLabel3Click() { forms_.show(platform::names::kUpdate); }
void MainWindow::on换肤Click() { forms_.show(platform::names::kSkins); }
void MainWindow::on关于Click() { forms_.show(platform::names::kAbout); }
void MainWindow::on说明Click() { info::explain(platform_.messages); }
void MainWindow::on留言Click() { info::askForRegistration(platform_.messages, platform_.shell); }

void MainWindow::onCommand2Click() { schedule::issue(platform_.shell, schedule::kShutdownIn60s); }
void MainWindow::onCommand7Click() { schedule::issue(platform_.shell, schedule::kShutdownIn30min); }
void MainWindow::onCommand3Click() { schedule::issue(platform_.shell, schedule::kShutdownIn1h); }
void MainWindow::onCommand8Click() { schedule::issue(platform_.shell, schedule::kShutdownIn2h); }
void MainWindow::onCommand4Click() { schedule::issue(platform_.shell, schedule::kShutdownIn3h); }
void MainWindow::onCommand9Click() { schedule::issue(platform_.shell, schedule::kShutdownIn5h); }
void MainWindow::onCommand6Click() { schedule::issue(platform_.shell, schedule::kAbortShutdown); }

void MainWindow::onCommand10Click() { schedule::shutDownNowAfterAsking(platform_.messages, platform_.shell); }

} // namespace app
