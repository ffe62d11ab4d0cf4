// The host's message boxes as a person meets them from the keyboard: a key
// held down since before a box appeared never answers it; a key pressed
// while it is open does.

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

// Key events as the window system delivers them, to the box's window.
void key(QWidget* box, bool press, Qt::Key code, const QString& text, bool repeat,
         Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::simulateEvent(box->windowHandle(), press, code, modifiers, text, repeat);
}

void holdReturn(QWidget* box, int repeats)
{
    for (int i = 0; i < repeats; ++i) {
        key(box, false, Qt::Key_Return, "\r", true);
        key(box, true, Qt::Key_Return, "\r", true);
    }
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
        holdReturn(box, 20);
        key(box, false, Qt::Key_Return, "\r", false);
        QTest::qWait(50);
        stillOpen = box->isVisible() && box == QApplication::activeModalWidget();
        key(box, true, Qt::Key_Return, "\r", false);
        key(box, false, Qt::Key_Return, "\r", false);
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerYes));
}

void TestMessageBox::heldAccessKeyDoesNotAnswer()
{
    bool stillOpen = false;
    const int answer = askWhile([&](QWidget* box) {
        for (int i = 0; i < 10; ++i) {
            key(box, true, Qt::Key_Y, "y", true, Qt::AltModifier);
            key(box, true, Qt::Key_Y, "y", true);
            key(box, true, Qt::Key_Space, " ", true);
            key(box, false, Qt::Key_Space, " ", true);
        }
        key(box, false, Qt::Key_Space, " ", false); // its press came before the box
        QTest::qWait(50);
        stillOpen = box->isVisible();
        key(box, true, Qt::Key_N, "n", false, Qt::AltModifier);
        key(box, false, Qt::Key_N, "n", false, Qt::AltModifier);
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerNo));
}

void TestMessageBox::heldEscapeDoesNotAnswer()
{
    bool stillOpen = false;
    const int answer = askWhile([&](QWidget* box) {
        for (int i = 0; i < 10; ++i)
            key(box, true, Qt::Key_Escape, "\x1b", true);
        QTest::qWait(50);
        stillOpen = box->isVisible();
        key(box, true, Qt::Key_Y, "y", false, Qt::AltModifier);
        key(box, false, Qt::Key_Y, "y", false, Qt::AltModifier);
    });
    QVERIFY(stillOpen);
    QCOMPARE(answer, int(kAnswerYes));
}

void TestMessageBox::freshEscapeMeansNo()
{
    const int answer = askWhile([&](QWidget* box) {
        key(box, true, Qt::Key_Escape, "\x1b", false);
        key(box, false, Qt::Key_Escape, "\x1b", false);
    });
    QCOMPARE(answer, int(kAnswerNo));
}

void TestMessageBox::freshAccessKeysAnswer()
{
    QCOMPARE(askWhile([&](QWidget* box) {
                 key(box, true, Qt::Key_Y, "y", false, Qt::AltModifier);
                 key(box, false, Qt::Key_Y, "y", false, Qt::AltModifier);
             }),
             int(kAnswerYes));
    QCOMPARE(askWhile([&](QWidget* box) {
                 key(box, true, Qt::Key_Space, " ", false); // Space on the focused default, Yes
                 key(box, false, Qt::Key_Space, " ", false);
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
    holdReturn(notice, 10);
    QTest::qWait(50);
    QVERIFY(alive && alive->isVisible());
    key(notice, true, Qt::Key_Return, "\r", false); // a fresh press closes it
    if (alive)
        key(alive, false, Qt::Key_Return, "\r", false);
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
