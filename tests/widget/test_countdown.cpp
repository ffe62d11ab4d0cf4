// The custom countdown in the main window, on the fake platform: ticks are
// fired by hand, so a minute's count runs in a moment.

#include "main_window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace platform;
using namespace fakes;
using app::MainWindow;

namespace {

const QString kShutdown3 = QStringLiteral("cmd.exe /c shutdown -s -t 3");
const QString kRestart3 = QStringLiteral("cmd.exe /c shutdown -r -t 3");

RecordedMessage errorBox(const char* prompt) { return {QString::fromUtf8(prompt), 16, QStringLiteral("错误"), true}; }

} // namespace

class TestCountdown : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithoutModeRefuses();
    void startWithNoModeAndEmptyBoxShowsBothMessages();
    void startWithModeAndEmptyBoxStaysArmed();
    void countsDownToZeroAndIssuesOnce_data();
    void countsDownToZeroAndIssuesOnce();
    void switchingModeDuringCountDecidesTheLine();
    void startTwiceDoesNotDoubleTheSpeed();
    void cancelButtonLeavesCountRunning();
    void leadingZerosCountOn();

    void zeroRuleFiresWhileIdle();
    void zeroRuleNeedsAModeAndANumber();
    void countStartedOnZeroGoesNegativeAndNeverFires();

    void sevenDigitsAreAcceptedAnEighthResets();
    void lengthRuleAppliesToTheTick();
    void tickWaitsWhileTooLargeMessageIsOpen();

    void typingFilterKeepsDigitsAndBackspace();
    void pasteIsNotFilteredButRulesStillRun();
    void tickSkipsABoxThatIsNoNumber();

private:
    void type(const QString& keys);
    void setSeconds(const QString& text) { main_->Text1->setText(text); }
    FakeTimer& tick() { return fake_->timers["main.Timer1"]; }
    // Fires ticks until the count stops or `most` have passed; returns how many.
    int runTicks(int most);

    std::unique_ptr<MainWindowFixture> fixture_;
    FakePlatform* fake_ = nullptr;
    platform::Forms* forms_ = nullptr;
    MainWindow* main_ = nullptr;
};

void TestCountdown::init()
{
    fixture_ = std::make_unique<MainWindowFixture>();
    fake_ = &fixture_->fake;
    forms_ = &fixture_->forms;
    main_ = fixture_->main;
}

void TestCountdown::cleanup() { fixture_.reset(); }

void TestCountdown::type(const QString& keys) { QTest::keyClicks(main_->Text1, keys); }

int TestCountdown::runTicks(int most)
{
    int n = 0;
    while (n < most && tick().fire())
        ++n;
    return n;
}

void TestCountdown::startWithoutModeRefuses()
{
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));
    main_->Command1->click();
    QCOMPARE(fake_->messages.shown, QList<RecordedMessage>({errorBox("请选择模式")}));
    QVERIFY(!tick().isEnabled());
    QVERIFY(fake_->shell.commands.isEmpty());
}

void TestCountdown::startWithNoModeAndEmptyBoxShowsBothMessages()
{
    setSeconds("");
    main_->Command1->click();
    QCOMPARE(fake_->messages.shown,
             QList<RecordedMessage>({errorBox("请选择模式"), errorBox("请输入正确的时间！")}));
    QVERIFY(!tick().isEnabled());
}

void TestCountdown::startWithModeAndEmptyBoxStaysArmed()
{
    main_->Option1->setChecked(true);
    setSeconds("");
    main_->Command1->click();
    QCOMPARE(fake_->messages.shown, QList<RecordedMessage>({errorBox("请输入正确的时间！")}));
    QVERIFY(tick().isEnabled());
    QVERIFY(tick().fire());
    QCOMPARE(main_->Text1->text(), QString()); // nothing to count yet
    setSeconds("2");
    runTicks(10);
    QCOMPARE(main_->Text1->text(), QStringLiteral("0"));
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{kShutdown3, 2}}));
}

void TestCountdown::countsDownToZeroAndIssuesOnce_data()
{
    QTest::addColumn<bool>("restart");
    QTest::addColumn<QString>("line");
    QTest::newRow("关机") << false << kShutdown3;
    QTest::newRow("重启") << true << kRestart3;
}

void TestCountdown::countsDownToZeroAndIssuesOnce()
{
    QFETCH(bool, restart);
    QFETCH(QString, line);
    (restart ? main_->Option2 : main_->Option1)->setChecked(true);
    main_->Command1->click();
    QVERIFY(fake_->messages.shown.isEmpty());
    QVERIFY(tick().isEnabled());

    QVERIFY(tick().fire());
    QCOMPARE(main_->Text1->text(), QStringLiteral("59"));
    QCOMPARE(runTicks(100), 59);
    QCOMPARE(main_->Text1->text(), QStringLiteral("0"));
    QVERIFY(!tick().isEnabled());
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{line, 2}}));
    QVERIFY(fake_->messages.shown.isEmpty());
}

void TestCountdown::switchingModeDuringCountDecidesTheLine()
{
    main_->Option1->setChecked(true);
    setSeconds("3");
    main_->Command1->click();
    tick().fire();
    main_->Option2->setChecked(true);
    QVERIFY(!main_->Option1->isChecked());
    runTicks(10);
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{kRestart3, 2}}));
}

void TestCountdown::startTwiceDoesNotDoubleTheSpeed()
{
    main_->Option1->setChecked(true);
    main_->Command1->click();
    tick().fire();
    main_->Command1->click();
    QVERIFY(tick().isEnabled());
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("58"));
}

void TestCountdown::cancelButtonLeavesCountRunning()
{
    main_->Option1->setChecked(true);
    setSeconds("2");
    main_->Command1->click();
    tick().fire();
    main_->Command6->click();
    QVERIFY(tick().isEnabled());
    tick().fire();
    QCOMPARE(fake_->shell.commands,
             QList<RecordedCommand>({{"cmd.exe /c shutdown -a", 2}, {kShutdown3, 2}}));
}

void TestCountdown::leadingZerosCountOn()
{
    main_->Option2->setChecked(true);
    setSeconds("0060");
    main_->Command1->click();
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("59"));
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("58"));
}

void TestCountdown::zeroRuleFiresWhileIdle()
{
    // Deleting the "6" of "60" with a mode chosen issues the line at once.
    main_->Option1->setChecked(true);
    main_->Text1->setFocus();
    main_->Text1->setCursorPosition(0);
    QTest::keyClick(main_->Text1, Qt::Key_Delete);
    QCOMPARE(main_->Text1->text(), QStringLiteral("0"));
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{kShutdown3, 2}}));
    QVERIFY(!tick().isEnabled());

    // Typing "0" over the selected text does it again, with restart chosen.
    main_->Option2->setChecked(true);
    main_->Text1->selectAll();
    type("0");
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{kShutdown3, 2}, {kRestart3, 2}}));
    // "00" reads as 0 as well.
    type("0");
    QCOMPARE(main_->Text1->text(), QStringLiteral("00"));
    QCOMPARE(fake_->shell.commands.size(), 3);
}

void TestCountdown::zeroRuleNeedsAModeAndANumber()
{
    setSeconds("0");
    setSeconds("");
    main_->Option1->setChecked(true);
    setSeconds("");
    setSeconds("-");
    setSeconds("  ");
    setSeconds("1");
    QVERIFY(fake_->shell.commands.isEmpty());
}

void TestCountdown::countStartedOnZeroGoesNegativeAndNeverFires()
{
    setSeconds("0"); // before any mode is chosen: nothing happens
    main_->Option1->setChecked(true);
    main_->Command1->click();
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("-1"));
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("-2"));
    QVERIFY(tick().isEnabled());
    QVERIFY(fake_->shell.commands.isEmpty());
}

void TestCountdown::sevenDigitsAreAcceptedAnEighthResets()
{
    main_->Text1->setFocus();
    main_->Text1->selectAll();
    type("1234567");
    QCOMPARE(main_->Text1->text(), QStringLiteral("1234567"));
    QVERIFY(fake_->messages.shown.isEmpty());

    QString textWhileOpen;
    fake_->messages.whileOpen = [&](const RecordedMessage&) { textWhileOpen = main_->Text1->text(); };
    type("8");
    QCOMPARE(fake_->messages.shown, QList<RecordedMessage>({errorBox("输入的数字过大")}));
    QCOMPARE(textWhileOpen, QStringLiteral("12345678"));
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));

    // Seven digits count like any other number.
    main_->Option1->setChecked(true);
    setSeconds("9999999");
    main_->Command1->click();
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("9999998"));
}

void TestCountdown::lengthRuleAppliesToTheTick()
{
    // "-999999" has seven characters; one tick later "-1000000" has eight.
    main_->Option1->setChecked(true);
    setSeconds("-999999");
    main_->Command1->click();
    tick().fire();
    QCOMPARE(fake_->messages.shown, QList<RecordedMessage>({errorBox("输入的数字过大")}));
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));
    QVERIFY(tick().isEnabled());
    tick().fire();
    QCOMPARE(main_->Text1->text(), QStringLiteral("59"));
}

void TestCountdown::tickWaitsWhileTooLargeMessageIsOpen()
{
    main_->Option1->setChecked(true);
    main_->Command1->click();
    QStringList seenDuringBox;
    fake_->messages.whileOpen = [&](const RecordedMessage&) {
        tick().fire(); // a second passes while the user reads the message
        seenDuringBox << main_->Text1->text();
    };
    setSeconds("123456789");
    QCOMPARE(seenDuringBox, QStringList({"123456789"}));
    QCOMPARE(fake_->messages.shown.size(), 1);
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));
}

void TestCountdown::typingFilterKeepsDigitsAndBackspace()
{
    main_->Text1->setFocus();
    main_->Text1->selectAll();
    type("1a b-2.c+,3");
    QCOMPARE(main_->Text1->text(), QStringLiteral("123"));
    QTest::keyClick(main_->Text1, Qt::Key_Backspace);
    QCOMPARE(main_->Text1->text(), QStringLiteral("12"));
    QTest::keyClick(main_->Text1, Qt::Key_Return);
    QTest::keyClick(main_->Text1, Qt::Key_Left);
    type("9");
    QCOMPARE(main_->Text1->text(), QStringLiteral("192"));
    QVERIFY(fake_->messages.shown.isEmpty());
}

void TestCountdown::pasteIsNotFilteredButRulesStillRun()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    main_->Text1->setFocus();
    main_->Text1->selectAll();
    main_->Text1->paste();
    QCOMPARE(main_->Text1->text(), QStringLiteral("abc"));

    QGuiApplication::clipboard()->setText(QStringLiteral("123456789"));
    main_->Text1->selectAll();
    main_->Text1->paste();
    QCOMPARE(fake_->messages.shown, QList<RecordedMessage>({errorBox("输入的数字过大")}));
    QCOMPARE(main_->Text1->text(), QStringLiteral("60"));
}

void TestCountdown::tickSkipsABoxThatIsNoNumber()
{
    main_->Option1->setChecked(true);
    main_->Command1->click();
    for (const char* text : {"", "-", "abc", " "}) {
        setSeconds(QString::fromLatin1(text));
        QVERIFY(tick().fire());
        QCOMPARE(main_->Text1->text(), QString::fromLatin1(text));
        QVERIFY(tick().isEnabled());
    }
    QVERIFY(fake_->shell.commands.isEmpty());
    setSeconds("1");
    tick().fire();
    QCOMPARE(fake_->shell.commands, QList<RecordedCommand>({{kShutdown3, 2}}));
}

QTEST_MAIN(TestCountdown)
#include "test_countdown.moc"
