// The host's message boxes as a person meets them from the keyboard: a key
// held down since before a box appeared never answers it; a key pressed
// while it is open does.

#include "keyboard.h"
#include "platform/host/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace platform;

namespace {

// The repeats of an Enter that went down before the box appeared, as X11
// delivers them: mostly unflagged release and press pairs, a few flagged.
void holdReturn(Keyboard& keyboard, int repeats)
{
    keyboard.repeat(Qt::Key_Return, "\r", repeats);
    keyboard.repeat(Qt::Key_Return, "\r", 3, true);
}

} // namespace

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void heldEnterDoesNotAnswer();
    void heldAccessKeyDoesNotAnswer();
    void heldEscapeDoesNotAnswer();
    void freshEscapeMeansNo();
    void freshAccessKeysAnswer();
    void noticeIgnoresHeldKeys();
    void oneNoticeAtATime();

private:
    // Shows a yes/no box and, once it is up and active, runs `whileOpen` on it.
    int askWhile(const std::function<void(QWidget*)>& whileOpen);
};

int TestMessageBox::askWhile(const std::function<void(QWidget*)>& whileOpen)
{
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        QVERIFY(QTest::qWaitForWindowActive(box));
        QPointer<QWidget> open(box);
        whileOpen(box);
        ran = true;
        // A button pressed by its access key clicks a moment later. Whatever
        // the test did, the box must not stay up for ever.
        if (!QTest::qWaitFor([&] { return !open || !open->isVisible(); }, 2000) && open)
            static_cast<QMessageBox*>(open.data())->done(0);
    });
    HostMessageBox boxes;
    const int answer = boxes.show(QStringLiteral("是否立刻关机？"), kYesNo, QStringLiteral("是否要立即关机！？"));
    [&] { QVERIFY(ran); }();
    return answer;
}

void TestMessageBox::heldEnterDoesNotAnswer()
{
    // The Enter that pressed "立刻关机" is still held: its repeats reach the
    // box, which stays open; its release does nothing either. Only a fresh
    // press of Enter answers, with the default button, Yes.
    bool stillOpen = false;
    const int answer = askWhile([&](QWidget* box) {
        Keyboard keyboard(box->windowHandle());
        holdReturn(keyboard, 20);
        keyboard.release(Qt::Key_Return, "\r");
        QTest::qWait(50);
        stillOpen = box->isVisible() && box == QApplication::activeModalWidget();
        keyboard.press(Qt::Key_Return, "\r");
        keyboard.release(Qt::Key_Return, "\r");
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerYes));
}

void TestMessageBox::heldAccessKeyDoesNotAnswer()
{
    bool stillOpen = false;
    const int answer = askWhile([&](QWidget* box) {
        Keyboard keyboard(box->windowHandle());
        keyboard.repeat(Qt::Key_Y, "y", 10, false, Qt::AltModifier);
        keyboard.repeat(Qt::Key_Y, "y", 10);
        keyboard.repeat(Qt::Key_Space, " ", 10);
        keyboard.repeat(Qt::Key_Space, " ", 3, true);
        keyboard.release(Qt::Key_Space, " "); // its press came before the box
        QTest::qWait(50);
        stillOpen = box->isVisible();
        keyboard.press(Qt::Key_N, "n", Qt::AltModifier);
        keyboard.release(Qt::Key_N, "n", Qt::AltModifier);
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerNo));
}

void TestMessageBox::heldEscapeDoesNotAnswer()
{
    bool stillOpen = false;
    const int answer = askWhile([&](QWidget* box) {
        Keyboard keyboard(box->windowHandle());
        keyboard.repeat(Qt::Key_Escape, "\x1b", 10);
        QTest::qWait(50);
        stillOpen = box->isVisible();
        keyboard.press(Qt::Key_Y, "y", Qt::AltModifier);
        keyboard.release(Qt::Key_Y, "y", Qt::AltModifier);
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerYes));
}

void TestMessageBox::freshEscapeMeansNo()
{
    const int answer = askWhile([&](QWidget* box) {
        Keyboard keyboard(box->windowHandle());
        keyboard.press(Qt::Key_Escape, "\x1b");
        keyboard.release(Qt::Key_Escape, "\x1b");
    });
    QCOMPARE(answer, int(kAnswerNo));
}

void TestMessageBox::freshAccessKeysAnswer()
{
    QCOMPARE(askWhile([&](QWidget* box) {
                 Keyboard keyboard(box->windowHandle());
                 keyboard.press(Qt::Key_Y, "y", Qt::AltModifier);
                 keyboard.release(Qt::Key_Y, "y", Qt::AltModifier);
             }),
             int(kAnswerYes));
    QCOMPARE(askWhile([&](QWidget* box) {
                 Keyboard keyboard(box->windowHandle());
                 keyboard.press(Qt::Key_Space, " "); // Space on the focused default, Yes
                 keyboard.release(Qt::Key_Space, " ");
             }),
             int(kAnswerYes));
}

void TestMessageBox::noticeIgnoresHeldKeys()
{
    HostMessageBox boxes;
    boxes.notify(QStringLiteral("未能安排关机：没有关机的权限。"), kCritical, QStringLiteral("错误"));
    QWidget* notice = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QStringLiteral("错误"))
            notice = widget;
    QVERIFY(notice);
    QVERIFY(!notice->isModal());
    QVERIFY(QTest::qWaitForWindowActive(notice));
    QPointer<QWidget> alive(notice);
    Keyboard keyboard(notice->windowHandle());
    holdReturn(keyboard, 10);
    keyboard.release(Qt::Key_Return, "\r");
    QTest::qWait(50);
    QVERIFY(alive && alive->isVisible());
    keyboard.press(Qt::Key_Return, "\r"); // a fresh press closes it
    if (alive) {
        keyboard.setWindow(alive->windowHandle());
        keyboard.release(Qt::Key_Return, "\r");
    }
    QTRY_VERIFY(!alive || !alive->isVisible());
}

void TestMessageBox::oneNoticeAtATime()
{
    const auto notices = [] {
        QList<QMessageBox*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                found << box;
        return found;
    };
    HostMessageBox boxes;
    for (int i = 1; i <= 20; ++i)
        boxes.notify(QStringLiteral("未能安排关机：第 %1 次。").arg(i), kCritical, QStringLiteral("错误"));
    QCOMPARE(notices().size(), 1);
    QCOMPARE(notices().first()->text(), QStringLiteral("未能安排关机：第 20 次。")); // the newest failure
    // Closed, the next failure opens a notice again.
    QPointer<QMessageBox> first(notices().first());
    first->close();
    QTRY_VERIFY(!first);
    boxes.notify(QStringLiteral("未能取消关机。"), kCritical, QStringLiteral("错误"));
    QCOMPARE(notices().size(), 1);
    QCOMPARE(notices().first()->text(), QStringLiteral("未能取消关机。"));
}

QTEST_MAIN(TestMessageBox)
#include "test_message_box.moc"
