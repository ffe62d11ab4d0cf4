// Skins on the fake platform: the stored name read at start, the picture it
// names, and the chooser "更换皮肤" as a person uses it.

#include "main_window_fixture.h"
#include "platform/host/sequential_text.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QTest>

using namespace platform;
using namespace fakes;
using app::MainWindow;
using skins::SkinChooser;

namespace {

const QByteArray kStarryBytes("\xd0\xc7\xbf\xd5\r\n", 6);
const QByteArray kBlueBytes("\xcc\xec\xbf\xd5\r\n", 6);
const QByteArray kSeaBytes("\xb4\xf3\xba\xa3\r\n", 6);

} // namespace

class TestSkins : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void storedNameIsAppliedAtLoad_data();
    void storedNameIsAppliedAtLoad();
    void storedNameThatIsNoSkinKeepsTheOwnPicture_data();
    void storedNameThatIsNoSkinKeepsTheOwnPicture();
    void missingPictureKeepsTheOwnPicture();
    void typingIntoText2AppliesWithoutWriting();

    void chooserLayout();
    void chooserOpensWithTheFirstOptionAndDisablesMain();
    void okShowsTheMessageFirstThenPictureThenFile_data();
    void okShowsTheMessageFirstThenPictureThenFile();
    void okWithNoOptionChangesNothing();
    void closeBoxChangesNothing();
    void hintLeavesTheChooserOpen();
    void eachOpeningIsAfresh();
    void unwritableFileStillChangesThePicture();

private:
    // A main window started with `skinFile` as "skin.txt" (none if null).
    void start(const QByteArray* skinFile);
    SkinChooser& openChooser();
    QString ownPicture() const { return QStringLiteral(":/pictures/background.jpg"); }

    std::unique_ptr<MainWindowFixture> fixture_;
    FakePlatform* fake_ = nullptr;
    MainWindow* main_ = nullptr;
};

void TestSkins::start(const QByteArray* skinFile)
{
    // The files must be there before the main window loads.
    fixture_ = std::make_unique<MainWindowFixture>(
        [skinFile](FakePlatform& fake) {
            if (skinFile)
                fake.files.disk.insert(QStringLiteral("skin.txt"), *skinFile);
        });
    fake_ = &fixture_->fake;
    main_ = fixture_->main;
}

void TestSkins::cleanup() { fixture_.reset(); }

SkinChooser& TestSkins::openChooser()
{
    fixture_->forms.show(MainWindow::kName);
    main_->换肤->trigger();
    SkinChooser& chooser = fixture_->forms.load<SkinChooser>(names::kSkins);
    [&] { QVERIFY(QTest::qWaitForWindowActive(&chooser)); }();
    return chooser;
}

void TestSkins::storedNameIsAppliedAtLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("大海, CR LF") << kSeaBytes << "大海";
    QTest::newRow("天空 without a line end") << kBlueBytes.left(4) << "天空";
    QTest::newRow("星空, although Text2 holds it already") << kStarryBytes << "星空";
    QTest::newRow("大海,星空") << QByteArray("\xb4\xf3\xba\xa3,\xd0\xc7\xbf\xd5\r\n") << "大海";
    QTest::newRow("\"天空\"") << QByteArray("\"\xcc\xec\xbf\xd5\"\r\n") << "天空";
    // What follows the first line is not read: a line of bytes no GBK
    // spoils nothing.
    QTest::newRow("天空, then a lone lead byte") << QByteArray("\xcc\xec\xbf\xd5\r\n\x81\r\n") << "天空";
}

void TestSkins::storedNameIsAppliedAtLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    start(&file);
    QCOMPARE(main_->Text2->text(), name);
    QCOMPARE(fake_->pictures.loaded, QStringList({QStringLiteral("/opt/vesperon\\%1.jpg").arg(name)}));
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\%1.jpg").arg(name));
    // Read once, closed, and never written at start.
    QCOMPARE(fake_->files.calls, QStringList({"open skin.txt input 1", "field 1", "close 1"}));
    // The tray icon comes first in the load, the skin after it.
    QCOMPARE(fake_->tray.calls.size(), 1);
}

void TestSkins::storedNameThatIsNoSkinKeepsTheOwnPicture_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text2"); // what Text2 holds afterwards
    QTest::newRow("empty first line") << QByteArray("\r\n\xb4\xf3\xba\xa3\r\n") << "";
    QTest::newRow("星空主题") << QByteArray("\xd0\xc7\xbf\xd5\xd6\xf7\xcc\xe2\r\n") << "星空主题";
    QTest::newRow("a space after it") << QByteArray("\xb4\xf3\xba\xa3 \r\n") << "大海 ";
    // "大海" written in UTF-8 reads as other characters.
    const QByteArray utf8 = QStringLiteral("大海\r\n").toUtf8();
    QTest::newRow("UTF-8") << utf8 << firstField(utf8).value_or(QStringLiteral("?"));
    QTest::newRow("empty file") << QByteArray() << "星空";
}

void TestSkins::storedNameThatIsNoSkinKeepsTheOwnPicture()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text2);
    start(&file);
    QCOMPARE(main_->Text2->text(), text2);
    QVERIFY(fake_->pictures.loaded.isEmpty());
    QCOMPARE(main_->picture().fileName, ownPicture());
}

void TestSkins::missingPictureKeepsTheOwnPicture()
{
    start(nullptr); // no skin.txt at all
    QCOMPARE(main_->Text2->text(), QStringLiteral("星空"));
    QVERIFY(fake_->pictures.loaded.isEmpty());
    QCOMPARE(main_->picture().fileName, ownPicture());
    QVERIFY(!fake_->files.disk.contains("skin.txt")); // starting never creates it

    fake_->pictures.missing << QStringLiteral("/opt/vesperon\\大海.jpg");
    main_->Text2->setText(QStringLiteral("大海"));
    QCOMPARE(main_->picture().fileName, ownPicture());
    main_->Text2->setText(QStringLiteral("天空"));
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\天空.jpg"));
}

void TestSkins::typingIntoText2AppliesWithoutWriting()
{
    start(nullptr);
    main_->Text2->setText(QStringLiteral("天"));
    QVERIFY(fake_->pictures.loaded.isEmpty());
    main_->Text2->setText(QStringLiteral("天空"));
    QCOMPARE(fake_->pictures.loaded, QStringList({QStringLiteral("/opt/vesperon\\天空.jpg")}));
    QVERIFY(!fake_->files.disk.contains("skin.txt"));
}

void TestSkins::chooserLayout()
{
    start(nullptr);
    SkinChooser& chooser = openChooser();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("更换皮肤"));
    QCOMPARE(chooser.size(), twipsSize(3165, 2970));
    QCOMPARE(chooser.minimumSize(), chooser.maximumSize());
    QVERIFY(!chooser.windowIcon().isNull());
    QVERIFY(chooser.windowIcon().cacheKey() != main_->windowIcon().cacheKey());
    struct Row {
        QWidget* widget;
        QString caption;
        QRect twips;
    };
    const Row rows[] = {
        {chooser.Frame1, "皮肤", twipsRect(120, 120, 2895, 1815)},
        {chooser.Option1, "星空主题", twipsRect(240, 360, 2415, 375)},
        {chooser.Option2, "大海主题", twipsRect(240, 840, 2175, 375)},
        {chooser.Option3, "天空主题", twipsRect(240, 1440, 2415, 255)},
        {chooser.Command1, "确定", twipsRect(120, 2040, 2895, 495)},
        {chooser.Label1, "想要自定义皮肤的点这里。", twipsRect(120, 2640, 3015, 255)},
    };
    for (const Row& row : rows) {
        QCOMPARE(row.widget->geometry(), row.twips);
        if (auto* frame = qobject_cast<QGroupBox*>(row.widget))
            QCOMPARE(frame->title(), row.caption);
        else if (auto* button = qobject_cast<QAbstractButton*>(row.widget))
            QCOMPARE(button->text(), row.caption);
        else
            QCOMPARE(static_cast<QLabel*>(row.widget)->text(), row.caption);
    }
    QCOMPARE(chooser.Option1->parentWidget(), chooser.Frame1);
    QCOMPARE(chooser.Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    // Keyboard order: the options, then OK.
    QCOMPARE(chooser.Option1->nextInFocusChain(), chooser.Option2);
    QCOMPARE(chooser.Option3->nextInFocusChain(), chooser.Command1);
}

void TestSkins::chooserOpensWithTheFirstOptionAndDisablesMain()
{
    start(&kSeaBytes); // the main window shows 大海; the chooser still opens on 星空主题
    SkinChooser& chooser = openChooser();
    QCOMPARE(QApplication::focusWidget(), chooser.Option1);
    QVERIFY(chooser.Option1->isChecked());
    QVERIFY(!chooser.Option2->isChecked() && !chooser.Option3->isChecked());
    QVERIFY(!main_->isEnabled());
    // Its menu commands too, which assistive technology reaches without
    // the menu bar.
    for (QAction* command : {main_->换肤, main_->留言, main_->说明, main_->关于})
        QVERIFY(!command->isEnabled());
    QVERIFY(fake_->timers["main.Timer2"].isEnabled()); // its timers run on
    // A second opening while open only brings it to the front.
    fixture_->forms.show(names::kSkins);
    QCOMPARE(&fixture_->forms.load<SkinChooser>(names::kSkins), &chooser);
}

void TestSkins::okShowsTheMessageFirstThenPictureThenFile_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("星空主题") << 1 << "星空" << kStarryBytes;
    QTest::newRow("大海主题") << 2 << "大海" << kSeaBytes;
    QTest::newRow("天空主题") << 3 << "天空" << kBlueBytes;
}

void TestSkins::okShowsTheMessageFirstThenPictureThenFile()
{
    QFETCH(int, option);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    start(&kBlueBytes);
    SkinChooser& chooser = openChooser();
    QPointer<SkinChooser> open(&chooser);
    OptionButton* options[] = {chooser.Option1, chooser.Option2, chooser.Option3};
    QTest::mouseClick(options[option - 1], Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(options[option - 1]->isChecked());

    QStringList steps;
    fake_->messages.whileOpen = [&](const RecordedMessage& box) {
        steps << QStringLiteral("box %1, picture %2, file %3")
                     .arg(box.prompt, main_->picture().fileName.section(u'\\', -1),
                          QString::number(fake_->files.disk.value("skin.txt").size()));
    };
    fake_->pictures.onLoad = [&](const QString& file) {
        steps << QStringLiteral("load %1, file written: %2").arg(file.section(u'\\', -1)).arg(
                     fake_->files.calls.filter("output").isEmpty() ? "no" : "yes");
    };
    fake_->files.calls.clear();
    QTest::mouseClick(chooser.Command1, Qt::LeftButton);

    QCOMPARE(steps, QStringList({"box 现在重新运行程序皮肤不会重置了！, picture 天空.jpg, file 6",
                                 QStringLiteral("load %1.jpg, file written: no").arg(name)}));
    QCOMPARE(fake_->messages.shown.first(),
             (RecordedMessage{QStringLiteral("现在重新运行程序皮肤不会重置了！"), 0, QStringLiteral("提示"), true}));
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\%1.jpg").arg(name));
    QCOMPARE(fake_->files.disk.value("skin.txt"), bytes);
    QCOMPARE(fake_->files.calls,
             QStringList({"open skin.txt output 1", QStringLiteral("print 1 %1").arg(name), "close 1"}));
    QTRY_VERIFY(!open);                         // unloaded
    QVERIFY(!fixture_->forms.isLoaded(names::kSkins));
    QVERIFY(main_->isEnabled());
    QVERIFY(main_->关于->isEnabled());
    QCOMPARE(main_->Text2->text(), QStringLiteral("天空")); // untouched by the chooser
    QCOMPARE(fake_->messages.shown.size(), 1);
}

void TestSkins::okWithNoOptionChangesNothing()
{
    start(&kSeaBytes);
    SkinChooser& chooser = openChooser();
    chooser.Option1->setAutoExclusive(false);
    chooser.Option1->setChecked(false);
    QPointer<SkinChooser> open(&chooser);
    fake_->pictures.loaded.clear();
    fake_->files.calls.clear();
    chooser.Command1->click();
    QCOMPARE(fake_->messages.shown.size(), 1); // the message all the same
    QVERIFY(fake_->pictures.loaded.isEmpty());
    QVERIFY(fake_->files.calls.isEmpty());
    QTRY_VERIFY(!open);
    QVERIFY(main_->isEnabled());
    QCOMPARE(fake_->files.disk.value("skin.txt"), kSeaBytes);
}

void TestSkins::closeBoxChangesNothing()
{
    start(&kSeaBytes);
    SkinChooser& chooser = openChooser();
    QTest::mouseClick(chooser.Option3, Qt::LeftButton, {}, QPoint(8, 8));
    fake_->pictures.loaded.clear();
    fake_->files.calls.clear();
    QVERIFY(chooser.close());
    QVERIFY(main_->isEnabled());
    QVERIFY(!fixture_->forms.isLoaded(names::kSkins));
    QVERIFY(fake_->pictures.loaded.isEmpty());
    QVERIFY(fake_->files.calls.isEmpty());
    QVERIFY(fake_->messages.shown.isEmpty());
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\大海.jpg"));
}

void TestSkins::hintLeavesTheChooserOpen()
{
    start(nullptr);
    SkinChooser& chooser = openChooser();
    QTest::mouseClick(chooser.Option2, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(chooser.Label1, Qt::LeftButton);
    QCOMPARE(fake_->messages.shown,
             QList<RecordedMessage>({{QStringLiteral("如果你想使用自己的图片作为皮肤，那么可以将自己的皮肤替换成同个文件夹下的图片"),
                                      64, QStringLiteral("自定义换肤"), true}}));
    QVERIFY(fixture_->forms.isLoaded(names::kSkins));
    QVERIFY(chooser.isVisible());
    QVERIFY(chooser.Option2->isChecked());
    QVERIFY(!main_->isEnabled());
    QVERIFY(fake_->files.calls.filter("output").isEmpty());
}

void TestSkins::eachOpeningIsAfresh()
{
    start(nullptr);
    SkinChooser* first = &openChooser();
    QPointer<SkinChooser> firstAlive(first);
    QTest::mouseClick(first->Option3, Qt::LeftButton, {}, QPoint(8, 8));
    first->close();
    QTRY_VERIFY(!firstAlive);
    SkinChooser& second = openChooser();
    QVERIFY(second.Option1->isChecked());
    QVERIFY(!second.Option3->isChecked());
}

void TestSkins::unwritableFileStillChangesThePicture()
{
    start(nullptr);
    fake_->files.unwritable << QStringLiteral("skin.txt");
    SkinChooser& chooser = openChooser();
    QTest::mouseClick(chooser.Option2, Qt::LeftButton, {}, QPoint(8, 8));
    chooser.Command1->click();
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\大海.jpg"));
    QCOMPARE(fake_->messages.shown.size(), 2);
    const RecordedMessage& error = fake_->messages.shown.last();
    QCOMPARE(error.title, QStringLiteral("错误"));
    QCOMPARE(error.flags, 16);
    QVERIFY(error.prompt.contains(QStringLiteral("skin.txt")));
    QVERIFY(!fake_->files.disk.contains("skin.txt"));
    QTRY_VERIFY(!fixture_->forms.isLoaded(names::kSkins));
    QVERIFY(main_->isEnabled());

    // Neither the picture nor the file: the message says so, and claims
    // nothing was put on.
    fake_->messages.shown.clear();
    fake_->pictures.missing << QStringLiteral("/opt/vesperon\\天空.jpg");
    SkinChooser& again = openChooser();
    QTest::mouseClick(again.Option3, Qt::LeftButton, {}, QPoint(8, 8));
    again.Command1->click();
    QCOMPARE(main_->picture().fileName, QStringLiteral("/opt/vesperon\\大海.jpg"));
    QCOMPARE(fake_->messages.shown.size(), 2);
    const QString prompt = fake_->messages.shown.last().prompt;
    QVERIFY2(prompt.startsWith(QStringLiteral("没能换上皮肤")) && prompt.contains(QStringLiteral("天空.jpg"))
                 && prompt.contains(QStringLiteral("skin.txt")),
             qPrintable(prompt));
}

QTEST_MAIN(TestSkins)
#include "test_skins.moc"
