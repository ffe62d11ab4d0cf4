// How the program starts (the splash and its hand-over to the main window)
// and the information windows and commands, on the fake platform.

#include "app/splash_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "fakes/fake_platform.h"
#include "platform/accessibility.h"
#include "info/about_window.h"
#include "info/texts.h"
#include "platform/form_names.h"
#include "platform/twips.h"
#include "skins/skin_chooser.h"

#include <QAction>
#include <QMenuBar>
#include <QAccessible>
#include <QTest>

using namespace platform;
using namespace fakes;

namespace {

// The program's windows, defined as the program defines them, none loaded.
struct TheProgram {
    FakePlatform fake;
    Platform platform = fake.platform();
    Forms forms;
    TheProgram() { app::defineWindows(forms, platform); }
};

QColor textColour(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

} // namespace

class TestStartAndInfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::installAccessibility(); } // as the program does at start-up
    void init() { program_ = std::make_unique<TheProgram>(); }
    void cleanup() { program_.reset(); }

    void startShowsTheSplashAlone();
    void splashLoadMakesItTopmostAndColourKeyed();
    void splashLayout();
    void splashHandsOverAfterOneSecond();

    void aboutLayout();
    void aboutOpensOnceAndClosesWithOk();
    void explanationIsANotice();
    void registrationOpensTheForumAfterTheBox();
    void menuItemsRunTheirCommands();

private:
    app::MainWindow& showMain();
    std::unique_ptr<TheProgram> program_;
};

app::MainWindow& TestStartAndInfo::showMain()
{
    program_->forms.show(names::kMain);
    auto& main = program_->forms.load<app::MainWindow>(names::kMain);
    [&] { QVERIFY(QTest::qWaitForWindowExposed(&main)); }();
    return main;
}

void TestStartAndInfo::startShowsTheSplashAlone()
{
    app::start(program_->forms);
    QVERIFY(program_->forms.isLoaded(names::kSplash));
    QVERIFY(program_->forms.load(names::kSplash).isVisible());
    QVERIFY(!program_->forms.isLoaded(names::kMain));
    QVERIFY(program_->fake.tray.calls.isEmpty()); // the main window's Load has not run
    QVERIFY(program_->fake.files.calls.isEmpty());
}

void TestStartAndInfo::splashLoadMakesItTopmostAndColourKeyed()
{
    app::start(program_->forms);
    const FakeWindowFunctions& windows = program_->fake.windows;
    QCOMPARE(windows.calls, QStringList({"SetWindowPos HY -1 0 0 0 0 3", "GetWindowLongA HY -20",
                                         "SetWindowLongA HY -20 0x80100", // the bits it had, and layered
                                         "SetLayeredWindowAttributes HY 0x00585858 0 1"}));
    // The background colour is the key before the first window function.
    QCOMPARE(windows.backColors, QStringList(4, QStringLiteral("#585858")));
    const Form& splash = program_->forms.load(names::kSplash);
    QCOMPARE(splash.colourKey(), QColor(88, 88, 88));
    // All through the same handle, read from the window itself.
    QCOMPARE(Form::fromHandle(const_cast<Form&>(splash).hWnd()), &splash);
}

void TestStartAndInfo::splashLayout()
{
    app::start(program_->forms);
    auto& splash = program_->forms.load<app::SplashWindow>(names::kSplash);
    QCOMPARE(splash.size(), QSize(503, 200));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.picture().pixmap.size(), QSize(500, 200));
    // Untitled on the screen, but named for assistive technology.
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(&splash);
    QVERIFY(seen);
    QCOMPARE(seen->role(), QAccessible::Window);
    QCOMPARE(seen->text(QAccessible::Name), QStringLiteral("关机工具"));
    struct Row {
        QLabel* label;
        QString caption;
        QRect twips;
        QColor colour;
    };
    const Row rows[] = {
        {splash.Label1, "关机工具V4.5.0", twipsRect(5760, 2640, 1575, 255), QColor(255, 255, 255)},
        {splash.Label2, info::kContact, twipsRect(0, 0, 1575, 255), QColor(0, 0, 0)},
        {splash.Label3, "绿色免安装版", twipsRect(0, 0, 1575, 255), QColor(244, 247, 252)},
    };
    for (const Row& row : rows) {
        QCOMPARE(row.label->text(), row.caption);
        QCOMPARE(row.label->geometry(), row.twips);
        QCOMPARE(textColour(row.label), row.colour);
        QVERIFY(!row.label->autoFillBackground());
    }
    QCOMPARE(splash.Label4->text(), QStringLiteral("换肤功能正式开启！！！！"));
    QCOMPARE(splash.Label4->pos(), twipsPoint(0, 2760));
    QCOMPARE(splash.Label4->size(), splash.Label4->sizeHint()); // sized to its text
    QCOMPARE(textColour(splash.Label4), QColor(255, 0, 0));
    QVERIFY(!splash.windowIcon().isNull() || QApplication::windowIcon().isNull());
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(splash.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(splash.geometry().center().y() - screen.center().y()) <= 1);
}

void TestStartAndInfo::splashHandsOverAfterOneSecond()
{
    app::start(program_->forms);
    FakeTimer& timer = program_->fake.timers["HY.Timer1"];
    QCOMPARE(timer.interval(), 1000);
    QVERIFY(timer.isEnabled());
    QPointer<Form> splash(&program_->forms.load(names::kSplash));

    bool splashGoneAtMainLoad = false;
    program_->fake.tray.onCall = [&](const RecordedTrayCall&) {
        splashGoneAtMainLoad = !program_->forms.isLoaded(names::kSplash) && !(splash && splash->isVisible());
    };
    QVERIFY(timer.fire());
    QVERIFY(splashGoneAtMainLoad); // unloaded first; the main window's Load after
    QVERIFY(program_->forms.isLoaded(names::kMain));
    QWidget& main = program_->forms.load(names::kMain);
    QVERIFY(main.isVisible());
    QCOMPARE(program_->fake.tray.calls.size(), 1);
    QCOMPARE(program_->fake.files.calls.first(), QStringLiteral("open skin.txt input 1"));
    QTRY_VERIFY(!splash); // destroyed, and its timer with it
}

void TestStartAndInfo::aboutLayout()
{
    showMain();
    program_->forms.show(names::kAbout);
    auto& about = program_->forms.load<info::AboutWindow>(names::kAbout);
    QCOMPARE(about.windowTitle(), QStringLiteral("关于"));
    QCOMPARE(about.size(), twipsSize(8640, 2955));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(about.backColor(), QColor(255, 0, 0));
    QCOMPARE(about.picture().pixmap.size(), QSize(500, 200));
    QCOMPARE(about.Label1->geometry(), twipsRect(6720, 840, 1575, 1455));
    QCOMPARE(about.Label1->text(), info::kVersionNotes);
    QVERIFY(about.Label1->wordWrap());
    QCOMPARE(textColour(about.Label1), QColor(244, 247, 252));
    QCOMPARE(about.Command1->geometry(), twipsRect(6720, 2400, 1455, 375));
    QCOMPARE(about.Command1->text(), QStringLiteral("确定"));
    QCOMPARE(about.Label2->geometry(), twipsRect(0, 0, 1935, 255));
    QCOMPARE(about.Label2->text(), QStringLiteral("绿色免安装版"));
    QCOMPARE(about.Label3->geometry(), twipsRect(6720, 120, 1695, 375));
    QVERIFY(about.Label3->text().startsWith(QStringLiteral("制作者：")));
    QCOMPARE(textColour(about.Label3), QGuiApplication::palette().color(QPalette::HighlightedText));
    for (QLabel* label : {about.Label1, about.Label3}) {
        QCOMPARE(label->font().family(), QStringLiteral("微软雅黑"));
        QCOMPARE(label->font().pointSize(), 9);
        QVERIFY(label->font().bold());
    }
    for (QLabel* label : {about.Label1, about.Label2, about.Label3})
        QVERIFY(!label->autoFillBackground());
    // The same notes as the main window's.
    QCOMPARE(program_->forms.load<app::MainWindow>(names::kMain).Label1->text(), info::kVersionNotes);
}

void TestStartAndInfo::aboutOpensOnceAndClosesWithOk()
{
    app::MainWindow& main = showMain();
    main.关于->trigger();
    Form* first = &program_->forms.load(names::kAbout);
    main.关于->trigger();
    QCOMPARE(&program_->forms.load(names::kAbout), first); // one window, not two
    int abouts = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        abouts += window->isVisible() && window->objectName() == names::kAbout;
    QCOMPARE(abouts, 1);
    QVERIFY(main.isEnabled()); // the main window stays usable
    main.Command3->click();
    QCOMPARE(program_->fake.shell.commands.size(), 1);

    QPointer<Form> alive(first);
    const qint64 paletteOfFirst = static_cast<info::AboutWindow*>(first)->Command1->palette().cacheKey();
    QTest::mouseClick(static_cast<info::AboutWindow*>(first)->Command1, Qt::LeftButton);
    QVERIFY(!program_->forms.isLoaded(names::kAbout));
    QTRY_VERIFY(!alive);
    main.关于->trigger();
    QVERIFY(program_->forms.isLoaded(names::kAbout)); // afresh
    // Its button is drawn as the last one was: Qt's style keys the pictures
    // it keeps of a control by its palette, so a palette of each window's
    // own would keep a new set for every opening, for as long as the
    // program runs.
    QCOMPARE(program_->forms.load<info::AboutWindow>(names::kAbout).Command1->palette().cacheKey(), paletteOfFirst);
}

void TestStartAndInfo::explanationIsANotice()
{
    app::MainWindow& main = showMain();
    main.说明->trigger();
    QCOMPARE(program_->fake.messages.shown,
             QList<RecordedMessage>({{QStringLiteral("说明：因为系统重装，源码没有备份，这是重做后的，或许有BUG。"), 64,
                                      QStringLiteral("说明"), true}}));
    QVERIFY(program_->fake.shell.commands.isEmpty());
}

void TestStartAndInfo::registrationOpensTheForumAfterTheBox()
{
    app::MainWindow& main = showMain();
    int commandsWhileOpen = -1;
    program_->fake.messages.whileOpen = [&](const RecordedMessage&) {
        commandsWhileOpen = int(program_->fake.shell.commands.size());
    };
    main.留言->trigger();
    QCOMPARE(commandsWhileOpen, 0); // nothing is started before the box is closed
    QCOMPARE(program_->fake.messages.shown,
             QList<RecordedMessage>({{QStringLiteral("希望你注册一下。。。。。给我一点工资- -"), 0,
                                      QStringLiteral("Vesperon"), true}}));
    const RecordedCommand forum{QStringLiteral("cmd.exe /c start ") + info::kForumAddress, 0};
    QCOMPARE(program_->fake.shell.commands, QList<RecordedCommand>({forum}));
    QVERIFY(info::kForumAddress.startsWith(QStringLiteral("http://")));
    QVERIFY(info::kForumAddress.contains(QStringLiteral("fromuid=")));
    main.留言->trigger();
    QCOMPARE(program_->fake.shell.commands, QList<RecordedCommand>({forum, forum})); // once per click
}

void TestStartAndInfo::menuItemsRunTheirCommands()
{
    app::MainWindow& main = showMain();
    QStringList captions;
    for (QAction* action : main.menuBar->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({"换肤", "给我工资", "说明", "关于"}));
    main.换肤->trigger();
    QVERIFY(program_->forms.isLoaded(names::kSkins));
    QVERIFY(!main.isEnabled());
    program_->forms.unload(names::kSkins);
    QVERIFY(main.isEnabled());
}

QTEST_MAIN(TestStartAndInfo)
#include "test_start_and_info.moc"
