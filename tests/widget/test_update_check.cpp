// The update check "检查更新" on the fake platform: the two fetches, the
// verdict, the window appearing only when both are over, and the main window
// staying live meanwhile.

#include "info/update_check_window.h"
#include "info/texts.h"
#include "main_window_fixture.h"
#include "platform/twips.h"

#include <QTest>

using namespace platform;
using namespace fakes;
using info::UpdateCheckWindow;

class TestUpdateCheck : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout();
    void theSixStepsInOrder();
    void verdict_data();
    void verdict();
    void failedFetches();
    void aSecondClickDuringTheLoadStartsNothing();
    void aClickWhileOpenOnlyRaisesIt();

private:
    UpdateCheckWindow* open(); // clicks "检查更新"; the window, once loaded

    std::unique_ptr<MainWindowFixture> fixture_;
    FakePlatform* fake_ = nullptr;
};

void TestUpdateCheck::init()
{
    fixture_ = std::make_unique<MainWindowFixture>();
    fake_ = &fixture_->fake;
    fixture_->forms.show(names::kMain);
    QVERIFY(QTest::qWaitForWindowExposed(fixture_->main));
}

void TestUpdateCheck::cleanup() { fixture_.reset(); }

UpdateCheckWindow* TestUpdateCheck::open()
{
    QTest::mouseClick(fixture_->main->Label3, Qt::LeftButton);
    if (!fixture_->forms.isLoaded(names::kUpdate))
        return nullptr;
    return &fixture_->forms.load<UpdateCheckWindow>(names::kUpdate);
}

void TestUpdateCheck::layout()
{
    fake_->internet.replies = {QStringLiteral("4.5.0"), QStringLiteral("4.5.0")};
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QCOMPARE(window->size(), twipsSize(4500, 1485));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(window->Label1->text(), QStringLiteral("当前版本："));
    QCOMPARE(window->Label1->pos(), twipsPoint(240, 240));
    QCOMPARE(window->Label1->size(), window->Label1->sizeHint());
    QCOMPARE(window->Label2->text(), QStringLiteral("4.5.0"));
    QCOMPARE(window->Label2->geometry(), twipsRect(1200, 240, 1815, 255));
    QCOMPARE(window->Label3->geometry(), twipsRect(1200, 720, 2055, 255));
    QCOMPARE(window->Label4->text(), QStringLiteral("最新版本："));
    QCOMPARE(window->Label4->pos(), twipsPoint(240, 720));
    for (QLabel* label : {window->Label1, window->Label2, window->Label3, window->Label4})
        QVERIFY(label->autoFillBackground());
    QCOMPARE(window->Label3->textFormat(), Qt::PlainText);
    // Centred by its size: the test platform puts a frame around it that no
    // window manager announced, and Qt places the frame where it is moved.
    const QRectF screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(window->frameGeometry().left() - (screen.center().x() - window->width() / 2.0)) <= 1);
}

void TestUpdateCheck::theSixStepsInOrder()
{
    // The first reply is shown, the second decides.
    fake_->internet.replies = {QStringLiteral("4.4.0"), QStringLiteral("4.5.0")};
    QStringList during;
    fake_->internet.whileFetching = [&](int n) {
        auto& window = fixture_->forms.load<UpdateCheckWindow>(names::kUpdate);
        during << QStringLiteral("fetch %1: label %2, title %3, %4")
                      .arg(n)
                      .arg(window.Label3->text(), window.windowTitle(), window.isVisible() ? "shown" : "not shown");
    };
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QCOMPARE(during, QStringList({"fetch 1: label 正在获取最新版本。。。, title 检查更新, not shown",
                                  "fetch 2: label 4.4.0, title 检查更新, not shown"}));
    QCOMPARE(fake_->internet.requests, QStringList({info::kUpdateAddress, info::kUpdateAddress}));
    QVERIFY(info::kUpdateAddress.endsWith(QStringLiteral("/gx.txt")));
    QVERIFY(!info::kUpdateAddress.contains(QStringLiteral("://")));
    QCOMPARE(window->Label3->text(), QStringLiteral("4.4.0"));
    QCOMPARE(window->windowTitle(), QStringLiteral("你不需要更新"));
    QVERIFY(window->isVisible());
    QVERIFY(fixture_->main->isEnabled()); // modeless: the main window stays usable
}

void TestUpdateCheck::verdict_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("title");
    const QString needed = QStringLiteral("你需要更新");
    QTest::newRow("the same version") << "4.5.0" << QStringLiteral("你不需要更新");
    QTest::newRow("newer") << "4.6.0" << needed;
    QTest::newRow("older") << "4.4.9" << needed;
    QTest::newRow("with a V") << "V4.5.0" << needed;
    QTest::newRow("with a line break") << "4.5.0\n" << needed;
    QTest::newRow("with CR LF") << "4.5.0\r\n" << needed;
    QTest::newRow("a space before") << " 4.5.0" << needed;
    QTest::newRow("empty") << "" << needed;
    QTest::newRow("HTML") << "<b>4.5.0</b>" << needed;
    QTest::newRow("full-width digits") << "４.５.０" << needed;
}

void TestUpdateCheck::verdict()
{
    QFETCH(QString, reply);
    QFETCH(QString, title);
    fake_->internet.replies = {reply, reply};
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->Label3->text(), reply); // unchanged, whatever it holds
    // Drawn from the top of its box: a reply of two lines shows its first
    // line whole, where a reply of that line alone would show it.
    if (reply.startsWith(QStringLiteral("4.5.0")) && reply.size() > 5) {
        const QImage twoLines = window->Label3->grab().toImage();
        window->Label3->setText(QStringLiteral("4.5.0"));
        QCOMPARE(twoLines, window->Label3->grab().toImage());
    }
}

void TestUpdateCheck::failedFetches()
{
    // The first fails: no verdict, the waiting text stays, the window opens.
    fake_->internet.replies = {std::nullopt};
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("检查更新失败"));
    QCOMPARE(window->Label3->text(), QStringLiteral("正在获取最新版本。。。"));
    QCOMPARE(fake_->internet.requests.size(), 1);
    window->close();
    QTRY_VERIFY(!fixture_->forms.isLoaded(names::kUpdate));

    // The second fails: never "你不需要更新" after a failure.
    fake_->internet.replies = {QStringLiteral("4.5.0"), std::nullopt};
    window = open();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("检查更新失败"));
    QCOMPARE(window->Label3->text(), QStringLiteral("4.5.0"));
}

void TestUpdateCheck::aSecondClickDuringTheLoadStartsNothing()
{
    fake_->internet.replies = {QStringLiteral("4.5.0"), QStringLiteral("4.5.0")};
    int shellCommands = -1;
    fake_->internet.whileFetching = [&](int n) {
        if (n != 1)
            return;
        // The rest of the program meanwhile: a second click on "检查更新",
        // a preset, the clock.
        QVERIFY(fixture_->forms.isLoading(names::kUpdate));
        QTest::mouseClick(fixture_->main->Label3, Qt::LeftButton);
        fixture_->main->Command3->click();
        shellCommands = int(fake_->shell.commands.size());
        QVERIFY(fake_->timers["main.Timer2"].fire());
    };
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QCOMPARE(fake_->internet.requests.size(), 2); // not four
    QCOMPARE(shellCommands, 1);
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        windows += top->objectName() == names::kUpdate;
    QCOMPARE(windows, 1);
    QVERIFY(window->isVisible());
    QVERIFY(!fixture_->forms.isLoading(names::kUpdate));
}

void TestUpdateCheck::aClickWhileOpenOnlyRaisesIt()
{
    fake_->internet.replies = {QStringLiteral("4.5.0"), QStringLiteral("4.5.0")};
    UpdateCheckWindow* window = open();
    QVERIFY(window);
    QCOMPARE(open(), window);
    QCOMPARE(fake_->internet.requests.size(), 2);
    QPointer<UpdateCheckWindow> alive(window);
    window->close();
    QTRY_VERIFY(!alive);
    fake_->internet.replies = {QStringLiteral("4.6.0"), QStringLiteral("4.6.0")};
    window = open();
    QVERIFY(window);
    QCOMPARE(fake_->internet.requests.size(), 4); // a new check
    QCOMPARE(window->windowTitle(), QStringLiteral("你需要更新"));
}

QTEST_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
