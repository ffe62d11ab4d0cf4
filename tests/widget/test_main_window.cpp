// The main window as the user meets it, on the recording fake platform: its
// layout, keyboard order, clock line and the shutdown buttons.

#include "keyboard.h"
#include "main_window_fixture.h"
#include "platform/design.h"
#include "platform/fonts.h"
#include "platform/host/general_date.h"
#include "platform/twips.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#include <QAbstractButton>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

using namespace platform;
using namespace fakes;
using app::MainWindow;

namespace {

struct ControlRow {
    const char* name;
    const char* container; // "client" or a frame
    const char* caption;   // nullptr: not checked here
    int left, top, width, height;
    int tabIndex; // -1: takes no focus
};

// The window's layout in twips, as designed.
const ControlRow kLayout[] = {
    {"Frame1", "client", "时间设定（秒）", 120, 120, 1935, 855, -1},
    {"Text1", "Frame1", "60", 120, 360, 1695, 270, 1},
    {"Frame2", "client", "选择模式", 2160, 120, 1455, 855, -1},
    {"Option1", "Frame2", "关机", 120, 240, 1095, 255, 5},
    {"Option2", "Frame2", "重启", 120, 480, 975, 375, 6},
    {"Command2", "client", "六十秒关机", 120, 960, 1095, 375, 7},
    {"Command7", "client", "30分钟关机", 1320, 960, 1095, 375, 12},
    {"Command3", "client", "1小时关机", 2520, 960, 1095, 375, 8},
    {"Command8", "client", "2小时关机", 120, 1440, 1095, 375, 13},
    {"Command4", "client", "3小时关机", 1320, 1440, 1095, 375, 9},
    {"Command9", "client", "5小时关机", 2520, 1440, 1095, 375, 14},
    {"Command6", "client", "取消快捷按钮关机", 120, 1920, 3495, 255, 11},
    {"Command1", "client", "开始计时", 120, 2280, 975, 495, 3},
    {"Command10", "client", "立刻关机", 1200, 2280, 1215, 495, 17},
    {"Command5", "client", "最小化到任务栏", 2520, 2280, 1095, 495, 10},
    {"Label2", "client", "", 0, 3000, 3615, 255, -1},
    {"Label1", "client", nullptr, 0, 3480, 3375, 615, -1},
    {"Text2", "client", "星空", 7920, 2640, 2415, 495, -1},
};

QString captionOf(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget))
        return box->text();
    return QString();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowFrameAndMenu();
    void controlsStandWhereDesigned();
    void label3IsRedBoldAndSizedToItsText();
    void keyboardOrderFollowsTabIndexes();
    void timersAtStart();

    void clockLineShowsDateAndTime();
    void clockLineShowsDateAloneAtMidnight();
    void clockLineReadsWholeInEveryLocale_data();
    void clockLineReadsWholeInEveryLocale();

    void presetButtonsIssueTheirLines_data();
    void presetButtonsIssueTheirLines();
    void presetsIgnoreTheCountdownMode();
    void keyboardPressesTheFocusedButton();
    void heldKeysPressNoButton();
    void shutDownNowAsksFirst();
    void shutDownNowAnsweredNoIssuesNothing();

private:
    std::unique_ptr<MainWindowFixture> fixture_;
    FakePlatform* fake_ = nullptr;
    platform::Forms* forms_ = nullptr;
    MainWindow* main_ = nullptr;
};

void TestMainWindow::initTestCase()
{
    // As the program sets its fonts up at start.
    installFontFallbacks();
    useCjkDefaultFont();
}

void TestMainWindow::init()
{
    fixture_ = std::make_unique<MainWindowFixture>();
    fake_ = &fixture_->fake;
    forms_ = &fixture_->forms;
    main_ = fixture_->main;
}

void TestMainWindow::cleanup() { fixture_.reset(); }

void TestMainWindow::windowFrameAndMenu()
{
    QCOMPARE(main_->windowTitle(), QStringLiteral("<Tolvane> 关机工具 "));
    QCOMPARE(main_->client->size(), QSize(246, 278));
    const Qt::WindowFlags flags = main_->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowExposed(main_));
    QCOMPARE(main_->minimumSize(), main_->maximumSize()); // not resizable
    QCOMPARE(main_->client->geometry().bottom(), main_->height() - 1);
    QCOMPARE(main_->menuBar->geometry().bottom() + 1, main_->client->geometry().top());

    QStringList captions;
    for (QAction* action : main_->menuBar->actions()) {
        QVERIFY2(!action->menu(), "menu items are commands, not submenus");
        captions << action->text();
    }
    QCOMPARE(captions, QStringList({"换肤", "给我工资", "说明", "关于"}));
}

void TestMainWindow::controlsStandWhereDesigned()
{
    for (const ControlRow& row : kLayout) {
        QWidget* widget = main_->findChild<QWidget*>(QLatin1String(row.name));
        QVERIFY2(widget, row.name);
        QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(row.container));
        QCOMPARE(widget->geometry(), twipsRect(row.left, row.top, row.width, row.height));
        if (row.caption)
            QCOMPARE(captionOf(widget), QString::fromUtf8(row.caption));
    }
    QVERIFY(!main_->Option1->isChecked());
    QVERIFY(!main_->Option2->isChecked());
    QVERIFY(main_->Label1->wordWrap());
    QCOMPARE(main_->Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(!main_->Label2->autoFillBackground());
    QCOMPARE(main_->Frame1->palette().color(QPalette::Window), QColor(244, 247, 252));
    QVERIFY(main_->Frame1->autoFillBackground());
    QVERIFY(!main_->client->picture().isNull());
    QCOMPARE(platform::builtInPicture(QStringLiteral("background.jpg")).pixmap.size(), QSize(480, 720));
    // Of which the window keeps what shows.
    QCOMPARE(main_->client->picture().pixmap.size(), main_->client->size());
}

void TestMainWindow::label3IsRedBoldAndSizedToItsText()
{
    QLabel* label = main_->Label3;
    QCOMPARE(label->text(), QStringLiteral("检查更新"));
    QCOMPARE(label->pos(), twipsPoint(2880, 3840));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSize(), 9);
    QCOMPARE(label->font().family(), QStringLiteral("微软雅黑"));
    QCOMPARE(label->size(), label->sizeHint());
    // Stays inside the client area.
    QVERIFY(main_->client->rect().contains(label->geometry()));
}

void TestMainWindow::keyboardOrderFollowsTabIndexes()
{
    QMap<int, QWidget*> expected;
    for (const ControlRow& row : kLayout)
        if (row.tabIndex >= 0)
            expected.insert(row.tabIndex, main_->findChild<QWidget*>(QLatin1String(row.name)));
    expected.insert(18, main_->Label3); // "检查更新", a link, sized to its text

    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowActive(main_));
    QCOMPARE(QApplication::focusWidget(), main_->Text1);

    QList<QWidget*> chain;
    QWidget* widget = main_->Text1;
    do {
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisibleTo(main_) && widget->isEnabled())
            chain << widget;
        widget = widget->nextInFocusChain();
    } while (widget != main_->Text1);
    QCOMPARE(chain, expected.values());
}

void TestMainWindow::timersAtStart()
{
    FakeTimer& clock = fake_->timers["main.Timer2"];
    QCOMPARE(clock.interval(), 30);
    QVERIFY(clock.isEnabled());
    QCOMPARE(clock.precision(), TimerPrecision::OnTheSecond);
    FakeTimer& count = fake_->timers["main.Timer1"];
    QCOMPARE(count.interval(), 1000);
    QVERIFY(!count.isEnabled());
    QCOMPARE(count.precision(), TimerPrecision::OnTheClock);
    QCOMPARE(fake_->timers["main.ULD"].interval(), 30);
    QVERIFY(!fake_->timers["main.ULD"].isEnabled());
}

void TestMainWindow::clockLineShowsDateAndTime()
{
    QCOMPARE(main_->Label2->text(), QString()); // empty until the first tick
    fake_->clock.current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
    QVERIFY(fake_->timers["main.Timer2"].fire());
    QCOMPARE(main_->Label2->text(), QStringLiteral("<Tolvane>当前时间：2024/3/5 07:08:09"));
    fake_->clock.current = fake_->clock.current.addSecs(1);
    fake_->timers["main.Timer2"].fire();
    QCOMPARE(main_->Label2->text(), QStringLiteral("<Tolvane>当前时间：2024/3/5 07:08:10"));
}

void TestMainWindow::clockLineShowsDateAloneAtMidnight()
{
    fake_->clock.current = QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0, 500));
    fake_->timers["main.Timer2"].fire();
    QCOMPARE(main_->Label2->text(), QStringLiteral("<Tolvane>当前时间：2025/1/1"));
}

void TestMainWindow::clockLineReadsWholeInEveryLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("family"); // empty: the program's default font
    QTest::addColumn<QString>("expected");
    // The widest moment of the year: two-digit month and day, the last
    // second of the evening.
    const QString zh = QStringLiteral("<Tolvane>当前时间：2026/12/28 23:59:59");
    for (const QString& family : {QString(), QStringLiteral("DejaVu Sans")}) {
        const QByteArray font = family.isEmpty() ? "default font" : family.toLatin1();
        QTest::newRow("C, " + font) << "C" << family << zh;
        QTest::newRow("zh_CN, " + font) << "zh_CN" << family << zh;
        QTest::newRow("en_US, " + font) << "en_US" << family << QStringLiteral("<Tolvane>当前时间：12/28/26 11:59:59 PM");
        QTest::newRow("de_DE, " + font) << "de_DE" << family << QStringLiteral("<Tolvane>当前时间：28.12.26 23:59:59");
    }
}

void TestMainWindow::clockLineReadsWholeInEveryLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, family);
    QFETCH(QString, expected);
    if (!family.isEmpty()) {
        // A desktop whose default face is wider than the CJK one.
        if (!QFontDatabase::families().contains(family))
            QSKIP("font not installed");
        main_->Label2->setFont(QFont(family, 9));
    }
    fake_->clock.locale = clockLocaleFor(QLocale(locale));
    FittingLabel* line = main_->Label2;
    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowExposed(main_));
    // Each second repaints only the end of the line: what is on the screen
    // then must be what the window draws afresh.
    const auto tickAt = [&](const QDateTime& moment) {
        fake_->clock.current = moment;
        fake_->timers["main.Timer2"].fire();
        QCoreApplication::sendPostedEvents(); // the repaint
        const QRect box(line->mapTo(main_, QPoint()), line->size());
        const QImage shown = main_->screen()->grabWindow(main_->winId(), box.x(), box.y(), box.width(), box.height()).toImage();
        return shown.convertToFormat(QImage::Format_RGB32) == main_->grab(box).toImage().convertToFormat(QImage::Format_RGB32);
    };
    QVERIFY(tickAt(QDateTime(QDate(2026, 12, 28), QTime(19, 59, 59))));
    QVERIFY(tickAt(QDateTime(QDate(2026, 12, 28), QTime(20, 0, 0)))); // the time's first character
    QVERIFY(tickAt(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59))));

    QCOMPARE(line->text(), expected); // the whole text, nothing left out
    QCOMPARE(line->geometry(), twipsRect(0, 3000, 3615, 255)); // in its own box
    const double drawn = QFontMetricsF(line->font()).horizontalAdvance(line->text());
    QVERIFY2(drawn <= line->contentsRect().width(),
             qPrintable(QStringLiteral("%1 px wide in a %2 px box at %3 pt")
                            .arg(drawn).arg(line->contentsRect().width()).arg(line->font().pointSizeF())));
    QVERIFY(line->font().pointSizeF() >= FittingLabel::kSmallestPointSize);
    QVERIFY(QFontMetricsF(line->font()).height() <= line->height());

    // A short text afterwards is drawn at the full size again.
    QVERIFY(tickAt(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0))));
    QCOMPARE(line->font().pointSizeF(), line->fullSizeFont().pointSizeF());
}

void TestMainWindow::presetButtonsIssueTheirLines_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("line");
    QTest::newRow("六十秒关机") << "Command2" << "cmd.exe /c shutdown -s -t 60";
    QTest::newRow("30分钟关机") << "Command7" << "cmd.exe /c shutdown -s -t 1800";
    QTest::newRow("1小时关机") << "Command3" << "cmd.exe /c shutdown -s -t 3600";
    QTest::newRow("2小时关机") << "Command8" << "cmd.exe /c shutdown -s -t 7200";
    QTest::newRow("3小时关机") << "Command4" << "cmd.exe /c shutdown -s -t 10800";
    QTest::newRow("5小时关机") << "Command9" << "cmd.exe /c shutdown -s -t 18000";
    QTest::newRow("取消快捷按钮关机") << "Command6" << "cmd.exe /c shutdown -a";
}

void TestMainWindow::presetButtonsIssueTheirLines()
{
    QFETCH(QString, button);
    QFETCH(QString, line);
    auto* widget = main_->findChild<QAbstractButton*>(button);
    QVERIFY(widget);
    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowExposed(main_));

    QTest::mouseClick(widget, Qt::LeftButton);
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{line, 2}}));
    QTest::mouseClick(widget, Qt::LeftButton);
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{line, 2}, {line, 2}}));
    QVERIFY2(fake_->messages.shown.isEmpty(), "a preset asks nothing");
    QVERIFY(!fake_->timers["main.Timer1"].isEnabled());
}

void TestMainWindow::presetsIgnoreTheCountdownMode()
{
    main_->Option2->setChecked(true); // restart chosen for the countdown
    main_->Command3->click();
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{"cmd.exe /c shutdown -s -t 3600", 2}}));
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));
}

void TestMainWindow::keyboardPressesTheFocusedButton()
{
    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowActive(main_));
    main_->Command7->setFocus();
    QTest::keyClick(main_->Command7, Qt::Key_Return);
    QTest::keyClick(main_->Command7, Qt::Key_Space);
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{"cmd.exe /c shutdown -s -t 1800", 2},
                                                            {"cmd.exe /c shutdown -s -t 1800", 2}}));
    // Enter in the seconds box presses nothing.
    main_->Text1->setFocus();
    QTest::keyClick(main_->Text1, Qt::Key_Return);
    QCOMPARE(fake_->shell.commands.size(), 2);
}

void TestMainWindow::heldKeysPressNoButton()
{
    // Key events as X11 delivers them: the repeats of a held key come as a
    // release and a press with one timestamp, mostly without Qt's flag.
    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowActive(main_));
    Keyboard keyboard(main_->windowHandle());
    const RecordedCommand oneHour{"cmd.exe /c shutdown -s -t 3600", 2};
    main_->Command3->setFocus();

    // Enter and keypad Enter held down: the first press acts, the repeats
    // do not, flagged or not.
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        keyboard.press(enter, "\r");
        keyboard.repeat(enter, "\r", 10);
        keyboard.repeat(enter, "\r", 3, true);
        keyboard.release(enter, "\r");
    }
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({oneHour, oneHour}));

    // Space held down: one click.
    keyboard.press(Qt::Key_Space, " ");
    keyboard.repeat(Qt::Key_Space, " ", 10);
    keyboard.release(Qt::Key_Space, " ");
    QCOMPARE(fake_->shell.commands.size(), 3);

    // A key held since before the button had the focus presses nothing:
    // Enter goes down in the seconds box, and the focus moves on while it
    // repeats.
    main_->Text1->setFocus();
    keyboard.press(Qt::Key_Return, "\r");
    keyboard.repeat(Qt::Key_Return, "\r", 3);
    main_->Command2->setFocus();
    keyboard.repeat(Qt::Key_Return, "\r", 10);
    keyboard.release(Qt::Key_Return, "\r");
    main_->Text1->setFocus();
    keyboard.press(Qt::Key_Space, " ");
    keyboard.repeat(Qt::Key_Space, " ", 3);
    main_->Command7->setFocus();
    keyboard.repeat(Qt::Key_Space, " ", 10);
    keyboard.release(Qt::Key_Space, " ");
    QCOMPARE(fake_->shell.commands.size(), 3);

    // "立刻关机" held down asks once and is not pressed again.
    main_->Command10->setFocus();
    fake_->messages.answers = {kAnswerNo};
    keyboard.press(Qt::Key_Return, "\r");
    keyboard.repeat(Qt::Key_Return, "\r", 10);
    keyboard.release(Qt::Key_Return, "\r");
    QCOMPARE(fake_->messages.shown.size(), 1);
    QCOMPARE(fake_->shell.commands.size(), 3);

    // Pressed afresh, each key acts again.
    main_->Command2->setFocus();
    keyboard.press(Qt::Key_Return, "\r");
    keyboard.release(Qt::Key_Return, "\r");
    keyboard.press(Qt::Key_Space, " ");
    keyboard.release(Qt::Key_Space, " ");
    QCOMPARE(fake_->shell.commands.size(), 5);

    // Space held while the mouse holds a button down, the pointer then let
    // go off it: the repeats' releases press nothing.
    main_->Text1->setFocus();
    keyboard.press(Qt::Key_Space, " ");
    QTest::mousePress(main_->Command7, Qt::LeftButton);
    QVERIFY(main_->Command7->isDown());
    keyboard.repeat(Qt::Key_Space, " ", 5);
    QTest::mouseRelease(main_->Command7, Qt::LeftButton, {}, QPoint(-10, -10));
    keyboard.release(Qt::Key_Space, " ");
    QCOMPARE(fake_->shell.commands.size(), 5);

    // Weeks with no input at all (hidden in the tray, brought back by a
    // StatusNotifier host, which sends no mouse event): the window system's
    // 32-bit time has gone more than half its circle past the moment the
    // focus came, and a key pressed then is fresh all the same.
    platform::FreshKeys& keys = platform::FreshKeys::instance();
    const platform::FreshKeys::Moment weeksAgo{keys.now().time, 0};
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    press.setTimestamp(weeksAgo.time + (quint64(1) << 31) + 1000);
    QVERIFY(keys.isFreshSince(press, weeksAgo));
}

void TestMainWindow::shutDownNowAsksFirst()
{
    fake_->messages.answers = {kAnswerYes};
    main_->Command10->click();
    QCOMPARE(fake_->messages.shown,
             QList<RecordedMessage>({{QStringLiteral("是否立刻关机？"), 4, QStringLiteral("是否要立即关机！？"), true}}));
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{"cmd.exe /c shutdown -s -t 0", 2}}));
}

void TestMainWindow::shutDownNowAnsweredNoIssuesNothing()
{
    fake_->messages.answers = {kAnswerNo};
    main_->Command10->click();
    QCOMPARE(fake_->messages.shown.size(), 1);
    QVERIFY(fake_->shell.commands.isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
