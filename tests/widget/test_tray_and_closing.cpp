// The main window's notification-area icon and its only way out, on the
// fake platform: the icon record, hiding and bringing the window back, and
// the closing animation counted tick by tick on exact window sizes.

#include "main_window_fixture.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>

using namespace platform;
using namespace fakes;
using app::MainWindow;

class TestTrayAndClosing : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadAddsTheIcon();
    void minimiseAddsHidesThenTells();
    void minimiseWithoutANotificationAreaGoesToTheTaskBar();
    void minimiseWhileTheIconIsRefusedGoesToTheTaskBar();
    void doubleClickBringsTheWindowBack();
    void otherIconEventsDoNothing();
    void mouseMoveRoundsHalvesToEven_data();
    void mouseMoveRoundsHalvesToEven();
    void dragToColumn515TakesTheSamePath();

    void closeRequestIsRefusedAndStartsTheAnimation();
    void animationEndsOnTheComputedTick_data();
    void animationEndsOnTheComputedTick();
    void repeatedRequestChangesNothing();
    void requestWhileHiddenTakesTheSameTicks();
    void windowStaysLiveWhileItShrinks();

private:
    // The main window loaded afresh; `prepare` runs on the fake before.
    void load(const std::function<void(FakePlatform&)>& prepare);
    void showMain();
    // Fires ULD until the program ends (or 1000 ticks); returns the ticks.
    int runAnimation();
    FakeTimer& uld() { return fake_->timers["main.ULD"]; }
    int adds() const;

    std::unique_ptr<MainWindowFixture> fixture_;
    FakePlatform* fake_ = nullptr;
    platform::Forms* forms_ = nullptr;
    MainWindow* main_ = nullptr;
};

void TestTrayAndClosing::init() { load({}); }

void TestTrayAndClosing::load(const std::function<void(FakePlatform&)>& prepare)
{
    fixture_.reset();
    fixture_ = std::make_unique<MainWindowFixture>(prepare);
    fake_ = &fixture_->fake;
    forms_ = &fixture_->forms;
    main_ = fixture_->main;
}

void TestTrayAndClosing::cleanup() { fixture_.reset(); }

void TestTrayAndClosing::showMain()
{
    forms_->show(MainWindow::kName);
    QVERIFY(QTest::qWaitForWindowExposed(main_));
}

int TestTrayAndClosing::runAnimation()
{
    int ticks = 0;
    while (fake_->program.ends == 0 && ticks < 1000 && uld().fire())
        ++ticks;
    return ticks;
}

int TestTrayAndClosing::adds() const
{
    int n = 0;
    for (const RecordedTrayCall& call : fake_->tray.calls)
        n += call.message == kNimAdd;
    return n;
}

void TestTrayAndClosing::loadAddsTheIcon()
{
    QCOMPARE(fake_->tray.calls.size(), 1);
    const RecordedTrayCall& add = fake_->tray.calls.first();
    QCOMPARE(add.message, int(kNimAdd));
    QVERIFY(add.accepted);
    QCOMPARE(add.record.cbSize, 28u);
    QCOMPARE(add.record.hWnd, main_->hWnd());
    QCOMPARE(add.record.uID, 1u);
    QCOMPARE(add.record.uFlags, 7u);
    QCOMPARE(add.record.uCallbackMessage, 512u);
    QCOMPARE(add.record.hIcon.cacheKey(), main_->windowIcon().cacheKey());
    QVERIFY(add.record.szTip.isEmpty()); // no tip
    QCOMPARE(Form::fromHandle(add.record.hWnd), main_);
    QCOMPARE(fake_->tray.iconCount(), 1);
    QCOMPARE(main_->TrayRecord.hWnd, main_->hWnd());
}

void TestTrayAndClosing::minimiseAddsHidesThenTells()
{
    showMain();
    QStringList steps;
    fake_->tray.onCall = [&](const RecordedTrayCall& call) {
        steps << QStringLiteral("add %1, %2").arg(call.accepted ? "accepted" : "refused",
                                                  main_->isVisible() ? "shown" : "hidden");
    };
    fake_->messages.whileOpen = [&](const RecordedMessage&) {
        steps << QStringLiteral("box, %1").arg(main_->isVisible() ? "shown" : "hidden");
    };
    main_->Command5->click();
    QCOMPARE(steps, QStringList({"add refused, shown", "box, hidden"}));
    QCOMPARE(fake_->messages.shown,
             QList<RecordedMessage>({{QStringLiteral("已最小化！可以双击任务栏的图标重新呼出！"), 64,
                                      QStringLiteral("最小化！"), true}}));
    QVERIFY(!main_->isVisible());
    QVERIFY(forms_->isLoaded(MainWindow::kName));
    QCOMPARE(fake_->tray.iconCount(), 1);

    // Twice, with a restore in between: hidden and told each time, one icon.
    QVERIFY(fake_->tray.mouse(kWmLButtonDblClk));
    QVERIFY(main_->isVisible());
    main_->Command5->click();
    QVERIFY(!main_->isVisible());
    QCOMPARE(fake_->messages.shown.size(), 2);
    QCOMPARE(fake_->tray.iconCount(), 1);
}

void TestTrayAndClosing::minimiseWithoutANotificationAreaGoesToTheTaskBar()
{
    showMain();
    fake_->tray.available = false;
    bool minimisedWhileTold = false;
    fake_->messages.whileOpen = [&](const RecordedMessage&) { minimisedWhileTold = main_->isMinimized(); };
    main_->Command5->click();
    QVERIFY(minimisedWhileTold);
    QVERIFY(!fake_->timers["main.Timer2"].isEnabled()); // minimised, the clock line rests
    QCOMPARE(fake_->messages.shown.size(), 1);
    QCOMPARE(fake_->messages.shown.first().title, QStringLiteral("最小化！"));
    // Shown again from the task bar's side: no longer minimised.
    forms_->show(MainWindow::kName);
    QVERIFY(!main_->isMinimized());
    QVERIFY(fake_->timers["main.Timer2"].isEnabled());
}

void TestTrayAndClosing::minimiseWhileTheIconIsRefusedGoesToTheTaskBar()
{
    // Started before Windows' taskbar was there: the icon is refused at the
    // load and again at the click, and the window is not hidden with no icon
    // to bring it back by.
    load([](FakePlatform& fake) { fake.tray.refusesIcons = true; });
    showMain();
    QVERIFY(!fake_->tray.calls.first().accepted);
    main_->Command5->click();
    QCOMPARE(fake_->tray.calls.last().message, int(kNimAdd));
    QVERIFY(!fake_->tray.calls.last().accepted);
    QVERIFY(main_->isVisible());
    QVERIFY(main_->isMinimized());
    QCOMPARE(fake_->messages.shown.size(), 1);

    // The taskbar has come: the next click's add is taken, and the window
    // hides behind its icon.
    fake_->tray.refusesIcons = false;
    forms_->show(MainWindow::kName);
    main_->Command5->click();
    QVERIFY(fake_->tray.calls.last().accepted);
    QVERIFY(!main_->isVisible());
    QVERIFY(fake_->tray.mouse(kWmLButtonDblClk));
    QVERIFY(main_->isVisible());
    QCOMPARE(fake_->tray.iconCount(), 1);
}

void TestTrayAndClosing::doubleClickBringsTheWindowBack()
{
    showMain();
    main_->Command5->click();
    QVERIFY(!main_->isVisible());
    // Hidden, the clock line rests; shown again, it reads the moment of the
    // restore before any tick of its timer.
    FakeTimer& clock = fake_->timers["main.Timer2"];
    QVERIFY(!clock.isEnabled());
    fake_->clock.current = QDateTime(QDate(2026, 12, 9), QTime(18, 30, 5));
    const int before = adds();
    QVERIFY(fake_->tray.mouse(kWmLButtonDblClk));
    QVERIFY(main_->isVisible());
    QVERIFY(clock.isEnabled());
    QCOMPARE(main_->Label2->text(), QStringLiteral("<Tolvane>当前时间：2026/12/9 18:30:05"));
    QCOMPARE(adds(), before + 1);
    QVERIFY(!fake_->tray.calls.last().accepted); // the icon was still there
    QCOMPARE(fake_->tray.iconCount(), 1);

    // Again while shown: nothing changes, and still one icon.
    QVERIFY(fake_->tray.mouse(kWmLButtonDblClk));
    QVERIFY(main_->isVisible());
    QCOMPARE(fake_->tray.iconCount(), 1);
}

void TestTrayAndClosing::otherIconEventsDoNothing()
{
    showMain();
    main_->Command5->click();
    const int before = fake_->tray.calls.size();
    for (const int code : std::initializer_list<int>{kWmMouseMove, kWmLButtonDown, kWmLButtonUp, kWmRButtonDown, kWmRButtonUp,
                           kWmMButtonDown, kWmMButtonUp, 0x206 /* right double click */})
        QVERIFY(fake_->tray.mouse(code));
    QVERIFY(!main_->isVisible());
    QCOMPARE(fake_->tray.calls.size(), before);
}

void TestTrayAndClosing::mouseMoveRoundsHalvesToEven_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<bool>("acts");
    QTest::newRow("515 × 15") << 7725.0f << true;
    QTest::newRow("514.93 rounds up") << 7724.0f << true;
    QTest::newRow("515.4 rounds down") << 7731.0f << true;
    QTest::newRow("514.5 goes to 514") << 7717.5f << false;
    QTest::newRow("515.5 goes to 516") << 7732.5f << false;
    QTest::newRow("514.4") << 7716.0f << false;
    QTest::newRow("left button down") << 7695.0f << false;
    QTest::newRow("right button up") << 7755.0f << false;
    QTest::newRow("negative") << -7725.0f << false;
    QTest::newRow("huge") << 3.0e38f << false;
}

void TestTrayAndClosing::mouseMoveRoundsHalvesToEven()
{
    QFETCH(float, x);
    QFETCH(bool, acts);
    showMain();
    main_->hide();
    const int before = adds();
    main_->onMouseMove(0, 0, x, 0);
    QCOMPARE(main_->isVisible(), acts);
    QCOMPARE(adds(), before + (acts ? 1 : 0));
}

void TestTrayAndClosing::dragToColumn515TakesTheSamePath()
{
    // A drag that starts on the window's background reports the mouse
    // beyond the client area's edge; at pixel column 515 it reads like the
    // icon's double click.
    showMain();
    const int before = adds();
    const auto move = [&](qreal x) {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, 40), main_->client->mapToGlobal(QPointF(x, 40)),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main_->client, &event);
    };
    move(100);
    move(514);
    QCOMPARE(adds(), before);
    move(515);
    QCOMPARE(adds(), before + 1);
    QVERIFY(main_->isVisible());
}

void TestTrayAndClosing::closeRequestIsRefusedAndStartsTheAnimation()
{
    showMain();
    bool animatingAtDelete = false;
    fake_->tray.onCall = [&](const RecordedTrayCall& call) {
        if (call.message == kNimDelete)
            animatingAtDelete = uld().isEnabled();
    };
    QVERIFY(!main_->close()); // refused
    QVERIFY(main_->isVisible());
    QVERIFY(forms_->isLoaded(MainWindow::kName));
    QVERIFY(uld().isEnabled());
    QCOMPARE(uld().interval(), 30);
    QVERIFY(animatingAtDelete); // cancel, ULD, then the delete
    QCOMPARE(fake_->tray.calls.last().message, int(kNimDelete));
    QVERIFY(fake_->tray.calls.last().accepted);
    QCOMPARE(fake_->tray.calls.last().record.hWnd, main_->hWnd());
    QCOMPARE(fake_->tray.calls.last().record.uID, 1u);
    QCOMPARE(fake_->tray.iconCount(), 0);
    QCOMPARE(fake_->program.ends, 0);
}

void TestTrayAndClosing::animationEndsOnTheComputedTick_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("246 px client, 1 px borders") << 3720.0f << 4770.0f;
    QTest::newRow("no frame") << 3690.0f << 4470.0f;
    QTest::newRow("1000 after five ticks goes on") << 1500.0f << 2000.0f;
    QTest::newRow("already 1000") << 1000.0f << 1000.0f;
    QTest::newRow("a fraction") << 3615.5f << 4000.0f;
    QTest::newRow("shorter than wide") << 5000.0f << 300.0f;
}

void TestTrayAndClosing::animationEndsOnTheComputedTick()
{
    QFETCH(float, width);
    QFETCH(float, height);
    showMain();
    fake_->windows.sizes[main_] = QSizeF(width, height);
    main_->close();

    const int expected = int(std::floor((width - 1000) / 100)) + 1;
    int ticks = 0;
    while (fake_->program.ends == 0 && ticks < 1000) {
        const QSizeF before = fake_->windows.size(*main_);
        QVERIFY(uld().fire());
        ++ticks;
        const QSizeF after = fake_->windows.size(*main_);
        QCOMPARE(after.width(), before.width() - 100);
        QCOMPARE(after.height(), before.height() - 100);
        if (fake_->program.ends == 0)
            QVERIFY(after.width() >= 1000);
    }
    QCOMPARE(ticks, expected);
    QCOMPARE(fake_->program.ends, 1);
    QVERIFY(fake_->windows.size(*main_).width() < 1000);
}

void TestTrayAndClosing::repeatedRequestChangesNothing()
{
    showMain();
    fake_->windows.sizes[main_] = QSizeF(3720, 4770);
    main_->close();
    for (int i = 0; i < 5; ++i)
        uld().fire();
    const QSizeF during = fake_->windows.size(*main_);
    const int calls = fake_->tray.calls.size();
    QVERIFY(!main_->close());
    QVERIFY(!main_->close());
    QCOMPARE(fake_->windows.size(*main_), during); // not restarted
    QVERIFY(uld().isEnabled());
    QCOMPARE(fake_->tray.calls.size(), calls + 2);
    QVERIFY(!fake_->tray.calls.last().accepted); // the icon is gone already
    QCOMPARE(5 + runAnimation(), 28);             // not sped up
}

void TestTrayAndClosing::requestWhileHiddenTakesTheSameTicks()
{
    showMain();
    main_->Command5->click();
    fake_->windows.sizes[main_] = QSizeF(3720, 4770);
    QVERIFY(!main_->close());
    QCOMPARE(fake_->tray.iconCount(), 0);
    QVERIFY(!main_->isVisible()); // it stays hidden
    QCOMPARE(runAnimation(), 28);
}

void TestTrayAndClosing::windowStaysLiveWhileItShrinks()
{
    showMain();
    main_->Option1->setChecked(true);
    main_->Command1->click(); // a countdown runs
    main_->close();
    uld().fire();
    QVERIFY(fake_->timers["main.Timer1"].isEnabled());
    QVERIFY(fake_->timers["main.Timer2"].isEnabled());
    main_->Command3->click();
    QCOMPARE(fake_->shell.commands.size(), 1);
    runAnimation();
    // Ending abandons the count: nothing but the preset was issued.
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{"cmd.exe /c shutdown -s -t 3600", 2}}));
}

QTEST_MAIN(TestTrayAndClosing)
#include "test_tray_and_closing.moc"
