// The text of "skin.txt" (GBK, fields, lines), the host's files on a real
// file system, the host's picture loader, and where the program's pictures
// are found.

#include "platform/host/internet.h"
#include "platform/host/linux/fetch_libcurl.h"
#include "platform/host/pictures.h"
#include "platform/host/program_folder.h"
#include "platform/host/sequential_files.h"
#include "platform/host/sequential_text.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace platform;

namespace {

QByteArray jpeg(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestFilesAndPictures : public QObject {
    Q_OBJECT

private slots:
    // Each test in a working folder of its own.
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QDir::setCurrent(dir_->path()));
    }
    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir_.reset();
    }

    void theThreeNamesAreWrittenAndReadBackByteForByte_data();
    void theThreeNamesAreWrittenAndReadBackByteForByte();
    void fieldsEndAtACommaOrTheLineEnd_data();
    void fieldsEndAtACommaOrTheLineEnd();
    void badTextIsNoName();
    void onlyTheFirstFewKiBAreRead();

    void hostFilesReadOnlyRegularFiles();
    void hostFilesReplaceTheFileWhole();
    void hostFilesThatCannotBeWrittenLeaveTheOldFile();

    void picturesLoadFromTheRuntimesPathForm();
    void badPicturesAreRefused_data();
    void badPicturesAreRefused();
    void picturesThatAreNoFilesAreRefusedAtOnce();

    void programFolder();
    void documentsAreUtf8OrElseGbk();
    void fetchesOnlyHttpOrNotAtAll();

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFilesAndPictures::theThreeNamesAreWrittenAndReadBackByteForByte_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("星空") << "星空" << QByteArray("\xd0\xc7\xbf\xd5\x0d\x0a");
    QTest::newRow("天空") << "天空" << QByteArray("\xcc\xec\xbf\xd5\x0d\x0a");
    QTest::newRow("大海") << "大海" << QByteArray("\xb4\xf3\xba\xa3\x0d\x0a");
}

void TestFilesAndPictures::theThreeNamesAreWrittenAndReadBackByteForByte()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QCOMPARE(printedItem(name).value(), bytes);
    QCOMPARE(firstField(bytes).value(), name);

    // And through the host's files, on disk.
    HostSequentialFiles files;
    QVERIFY(files.open("skin.txt", FileMode::Output, 1));
    QVERIFY(files.print(1, name));
    QVERIFY(files.close(1));
    QFile written("skin.txt");
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), bytes);
    QVERIFY(files.open("skin.txt", FileMode::Input, 1));
    QCOMPARE(files.inputField(1).value(), name);
    QVERIFY(files.close(1));
}

void TestFilesAndPictures::fieldsEndAtACommaOrTheLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("field");
    QTest::newRow("no final line end") << QByteArray("\xcc\xec\xbf\xd5") << "天空";
    QTest::newRow("a comma") << QByteArray("\xb4\xf3\xba\xa3,\xd0\xc7\xbf\xd5\r\n") << "大海";
    QTest::newRow("LF only") << QByteArray("\xb4\xf3\xba\xa3\n\xd0\xc7\xbf\xd5") << "大海";
    QTest::newRow("CR only") << QByteArray("\xb4\xf3\xba\xa3\r\xd0\xc7\xbf\xd5") << "大海";
    QTest::newRow("quoted") << QByteArray("\"\xb4\xf3\xba\xa3\"\r\n") << "大海";
    QTest::newRow("quoted with a comma") << QByteArray("\"\xb4\xf3,\xba\xa3\",x\r\n") << "大,海";
    QTest::newRow("quoted, text after") << QByteArray("\"\xb4\xf3\xba\xa3\"junk,x") << "大海";
    QTest::newRow("unclosed quote") << QByteArray("\"\xb4\xf3\xba\xa3") << "大海";
    QTest::newRow("unclosed quote ends at the line") << QByteArray("\"\xb4\xf3\xba\xa3\r\nx") << "大海";
    QTest::newRow("empty first line") << QByteArray("\r\n\xb4\xf3\xba\xa3") << "";
    QTest::newRow("no trimming") << QByteArray(" \xb4\xf3\xba\xa3 \r\n") << " 大海 ";
    QTest::newRow("星空主题") << QByteArray("\xd0\xc7\xbf\xd5\xd6\xf7\xcc\xe2") << "星空主题";
    QTest::newRow("a lone comma") << QByteArray(",\xb4\xf3\xba\xa3") << "";
}

void TestFilesAndPictures::fieldsEndAtACommaOrTheLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, field);
    QCOMPARE(firstField(bytes), std::optional<QString>(field));
}

void TestFilesAndPictures::badTextIsNoName()
{
    const QStringList names{"星空", "天空", "大海"};
    // Nothing at all.
    QCOMPARE(firstField(QByteArray()), std::nullopt);
    // "大海" in UTF-8 is other characters in GBK.
    QVERIFY(!names.contains(firstField(QStringLiteral("大海").toUtf8()).value_or(QString())));
    // No GBK: a lead byte followed by a byte no character has.
    QCOMPARE(firstField(QByteArray("\x81\x20\xb4\xf3\r\n")), std::nullopt);
    // ... on a later line, which is not read for the first field: "天空"
    // and a lone lead byte on the next line.
    QCOMPARE(firstField(QByteArray("\xcc\xec\xbf\xd5\r\n\x81\r\n")), std::optional<QString>(u"天空"_qs));
    FieldReader fields(QByteArray("\xb4\xf3\xba\xa3,\xcc\xec\xbf\xd5\r\n\x81\x20\r\n\xd0\xc7\xbf\xd5"));
    bool badText = false;
    QCOMPARE(fields.next(&badText), std::optional<QString>(u"大海"_qs));
    QCOMPARE(fields.next(&badText), std::optional<QString>(u"天空"_qs));
    QCOMPARE(fields.next(&badText), std::nullopt); // a line of its own that is no GBK
    QVERIFY(badText);
    QCOMPARE(fields.next(&badText), std::optional<QString>(u"星空"_qs));
    QCOMPARE(fields.next(&badText), std::nullopt);
    QVERIFY(!badText);
    // A lead byte cut off at the end is left out.
    QCOMPARE(firstField(QByteArray("\xb4\xf3\xba\xa3\xb4")).value_or(QString()), QStringLiteral("大海"));
    // Binary bytes: whatever they read as, no crash and no name.
    QByteArray binary;
    for (int i = 0; i < 512; ++i)
        binary.append(char((i * 73 + 11) & 0xff));
    QVERIFY(!names.contains(firstField(binary).value_or(QString())));
    // Text that GBK cannot hold cannot be printed.
    QCOMPARE(printedItem(QStringLiteral("\U0001F600")), std::nullopt);
}

void TestFilesAndPictures::onlyTheFirstFewKiBAreRead()
{
    QByteArray longLine(10 * 1024 * 1024, 'a');
    QVERIFY(writeFile("skin.txt", longLine));
    HostSequentialFiles files;
    QVERIFY(files.open("skin.txt", FileMode::Input, 1));
    const std::optional<QString> field = files.inputField(1);
    QVERIFY(field);
    QCOMPARE(field->size(), kMaxInputBytes);
    QVERIFY(files.close(1));
}

void TestFilesAndPictures::hostFilesReadOnlyRegularFiles()
{
    HostSequentialFiles files;
    QElapsedTimer clock;
    clock.start();
    // A FIFO with no writer: refused at once rather than waited on.
    QCOMPARE(::mkfifo("fifo", 0600), 0);
    QVERIFY(!files.open("fifo", FileMode::Input, 1));
    // A folder, a link to a device that never ends, a link to nothing.
    QVERIFY(QDir().mkdir("folder"));
    QVERIFY(!files.open("folder", FileMode::Input, 1));
    QCOMPARE(::symlink("/dev/zero", "zero"), 0);
    QVERIFY(!files.open("zero", FileMode::Input, 1));
    QVERIFY(!files.open("missing", FileMode::Input, 1));
    QVERIFY(!files.lastError().isEmpty());
    QVERIFY2(clock.elapsed() < 5000, "refusing took too long");
    // A link to a regular file is read.
    QVERIFY(writeFile("real", QByteArray("\xb4\xf3\xba\xa3")));
    QCOMPARE(::symlink("real", "link"), 0);
    QVERIFY(files.open("link", FileMode::Input, 1));
    QCOMPARE(files.inputField(1).value(), QStringLiteral("大海"));
    QCOMPARE(files.inputField(1), std::nullopt); // the end of the file
    QVERIFY(files.close(1));
    QVERIFY(!files.close(1)); // not open any more
}

void TestFilesAndPictures::hostFilesReplaceTheFileWhole()
{
    QVERIFY(writeFile("skin.txt", QByteArray("\xd0\xc7\xbf\xd5\r\nand a long tail that must go\r\n")));
    QCOMPARE(::chmod("skin.txt", 0640), 0); // the user's own choice, kept
    HostSequentialFiles files;
    QVERIFY(files.open("skin.txt", FileMode::Output, 1));
    QVERIFY(files.print(1, QStringLiteral("大海")));
    // Until it is closed the old file is still there, whole.
    QFile before("skin.txt");
    QVERIFY(before.open(QIODevice::ReadOnly));
    QVERIFY(before.readAll().startsWith("\xd0\xc7\xbf\xd5"));
    before.close();
    QVERIFY(files.close(1));
    QFile after("skin.txt");
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), QByteArray("\xb4\xf3\xba\xa3\r\n"));
    struct stat info {};
    QVERIFY(::stat("skin.txt", &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
    // No temporary file is left behind.
    QCOMPARE(QDir().entryList(QDir::Files), QStringList({"skin.txt"}));
}

void TestFilesAndPictures::hostFilesThatCannotBeWrittenLeaveTheOldFile()
{
    HostSequentialFiles files;
    // A folder named skin.txt.
    QVERIFY(QDir().mkdir("skin.txt"));
    const bool opened = files.open("skin.txt", FileMode::Output, 1);
    if (opened) {
        QVERIFY(files.print(1, QStringLiteral("大海")));
        QVERIFY(!files.close(1));
    }
    QVERIFY(!files.lastError().isEmpty());
    QVERIFY(QFileInfo("skin.txt").isDir());
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());

    // Nothing but a regular file is ever replaced: not a FIFO, nor a device,
    // also behind a link, nor what a dangling link would make.
    QVERIFY(QDir().mkdir("other"));
    QCOMPARE(::mkfifo("other/fifo", 0600), 0);
    QStringList names{"other/fifo"};
    QCOMPARE(::symlink("fifo", "other/to-fifo"), 0);
    QCOMPARE(::symlink("nowhere", "other/dangling"), 0);
    names << "other/to-fifo" << "other/dangling";
    if (::mknod("other/zero", S_IFCHR | 0600, makedev(1, 5)) == 0) { // as root: a /dev/zero of our own
        QCOMPARE(::symlink("zero", "other/to-zero"), 0);
        names << "other/zero" << "other/to-zero";
    }
    for (const QString& name : names) {
        QVERIFY2(!files.open(name, FileMode::Output, 1), qPrintable(name));
        QString why;
        QVERIFY2(!replaceRegularFile(name, "\xb4\xf3\xba\xa3\r\n", &why), qPrintable(name));
    }
    struct stat info {};
    QVERIFY(::stat("other/fifo", &info) == 0 && S_ISFIFO(info.st_mode));
    QVERIFY(::lstat("other/dangling", &info) == 0 && S_ISLNK(info.st_mode));
    QVERIFY(!QFileInfo::exists("other/nowhere"));
    if (names.contains("other/zero"))
        QVERIFY(::stat("other/zero", &info) == 0 && S_ISCHR(info.st_mode));
    QCOMPARE(QDir("other").entryList(QDir::Files | QDir::System | QDir::Hidden).size(), names.size()); // no temporary left

    // Through a link to a regular file, that file is replaced; the link stays.
    QVERIFY(writeFile("other/real.txt", "old"));
    QCOMPARE(::symlink("real.txt", "other/link.txt"), 0);
    QVERIFY(files.open("other/link.txt", FileMode::Output, 1));
    QVERIFY(files.print(1, QStringLiteral("大海")));
    QVERIFY(files.close(1));
    QVERIFY(::lstat("other/link.txt", &info) == 0 && S_ISLNK(info.st_mode));
    QFile real("other/real.txt");
    QVERIFY(real.open(QIODevice::ReadOnly));
    QCOMPARE(real.readAll(), QByteArray("\xb4\xf3\xba\xa3\r\n"));

    // A name GBK cannot hold: nothing is written, the old file stays.
    QVERIFY(writeFile("other.txt", QByteArray("\xd0\xc7\xbf\xd5\r\n")));
    QVERIFY(files.open("other.txt", FileMode::Output, 1));
    QVERIFY(!files.print(1, QStringLiteral("\U0001F600")));
    QVERIFY(!files.close(1));
    QFile other("other.txt");
    QVERIFY(other.open(QIODevice::ReadOnly));
    QCOMPARE(other.readAll(), QByteArray("\xd0\xc7\xbf\xd5\r\n"));
}

void TestFilesAndPictures::picturesLoadFromTheRuntimesPathForm()
{
    // A folder name may hold a backslash of its own on Linux: only the one
    // before the picture's name separates.
    QVERIFY(QDir().mkdir("程序\\新"));
    QVERIFY(writeFile("程序\\新/大海.jpg", jpeg(QSize(480, 720), QColor(10, 80, 200))));
    HostPictures pictures;
    const QString name = QDir::current().absoluteFilePath("程序\\新") + QStringLiteral("\\大海.jpg");
    const std::optional<Picture> picture = pictures.load(name);
    QVERIFY(picture);
    QCOMPARE(picture->pixmap.size(), QSize(480, 720));
    QCOMPARE(picture->fileName, name);
    const QColor middle = picture->pixmap.toImage().pixelColor(240, 360);
    QVERIFY(qAbs(middle.blue() - 200) < 8 && qAbs(middle.red() - 10) < 8);
}

void TestFilesAndPictures::badPicturesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = jpeg(QSize(480, 720), Qt::red);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("no picture at all\n");
    QTest::newRow("truncated JPEG") << good.left(good.size() / 2);
    QByteArray huge = jpeg(QSize(64, 64), Qt::red);
    // 30000 × 30000 in the frame header: far more than may be decoded.
    const qsizetype frame = huge.indexOf("\xff\xc0");
    QVERIFY(frame > 0);
    huge[frame + 5] = char(30000 >> 8);
    huge[frame + 6] = char(30000 & 0xff);
    huge[frame + 7] = char(30000 >> 8);
    huge[frame + 8] = char(30000 & 0xff);
    QTest::newRow("30000 × 30000 JPEG") << huge;
    QImage bmp(480, 720, QImage::Format_RGB32);
    bmp.fill(Qt::green);
    QByteArray bmpBytes;
    QBuffer buffer(&bmpBytes);
    buffer.open(QIODevice::WriteOnly);
    bmp.save(&buffer, "BMP");
    QTest::newRow("truncated BMP") << bmpBytes.left(bmpBytes.size() / 3);
}

void TestFilesAndPictures::badPicturesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(writeFile("bad.jpg", bytes));
    HostPictures pictures;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(pictures.load(QDir::current().absoluteFilePath("bad.jpg")).has_value(), false);
    QVERIFY2(clock.elapsed() < 3000, "refusing took too long");
}

void TestFilesAndPictures::picturesThatAreNoFilesAreRefusedAtOnce()
{
    HostPictures pictures;
    QCOMPARE(::mkfifo("fifo.jpg", 0600), 0);
    QCOMPARE(::symlink("/dev/zero", "zero.jpg"), 0);
    QVERIFY(QDir().mkdir("folder.jpg"));
    QElapsedTimer clock;
    clock.start();
    for (const char* name : {"fifo.jpg", "zero.jpg", "folder.jpg", "missing.jpg"})
        QVERIFY2(!pictures.load(QDir::current().absoluteFilePath(name)), name);
    QVERIFY2(clock.elapsed() < 3000, "refusing took too long");
}

void TestFilesAndPictures::programFolder()
{
    // A build tree or an unpacked copy: beside the executable.
    QCOMPARE(programFolderFor(dir_->path() + "/build"), dir_->path() + "/build");
    // Installed: <prefix>/bin beside <prefix>/share/vesperon.
    QVERIFY(QDir().mkpath("prefix/bin"));
    QCOMPARE(programFolderFor(dir_->path() + "/prefix/bin"), dir_->path() + "/prefix/bin");
    QVERIFY(QDir().mkpath("prefix/share/vesperon"));
    QCOMPARE(programFolderFor(dir_->path() + "/prefix/bin"), dir_->path() + "/prefix/share/vesperon");
}

void TestFilesAndPictures::documentsAreUtf8OrElseGbk()
{
    QCOMPARE(documentText("4.5.0"), QStringLiteral("4.5.0"));
    QCOMPARE(documentText("4.5.0\n"), QStringLiteral("4.5.0\n")); // nothing trimmed
    QCOMPARE(documentText(QStringLiteral("最新版 4.6").toUtf8()), QStringLiteral("最新版 4.6"));
    QCOMPARE(documentText(QStringLiteral("最新版 4.6").toUtf8().prepend("\xef\xbb\xbf")), QStringLiteral("最新版 4.6"));
    QCOMPARE(documentText(QByteArray("\xd7\xee\xd0\xc2\xb0\xe6 4.6")), QStringLiteral("最新版 4.6")); // GBK
    QCOMPARE(documentText(QByteArray()), QString());
    // Neither: some text all the same, never a crash, and never the version.
    documentText(QByteArray("\xff\xfe\x00\x81", 4));
    QVERIFY(documentText("4.5.0\xd5") != QStringLiteral("4.5.0")); // a UTF-8 lead byte cut off
    QVERIFY(documentText("4.5.0\x81") != QStringLiteral("4.5.0")); // a GBK lead byte cut off
}

namespace {

// libcurl's option call as a libcurl of some age answers it.
std::vector<CURLoption> optionsSet;
bool namesKnown = true, bitsKnown = true;
CURLcode olderLibcurl(CURL*, CURLoption option, ...)
{
    optionsSet.push_back(option);
    const bool names = option == CURLOPT_PROTOCOLS_STR || option == CURLOPT_REDIR_PROTOCOLS_STR;
    return (names ? namesKnown : bitsKnown) ? CURLE_OK : CURLE_UNKNOWN_OPTION;
}

} // namespace

void TestFilesAndPictures::fetchesOnlyHttpOrNotAtAll()
{
    // 7.85 and later: the protocols by name.
    QCOMPARE(limitProtocols(olderLibcurl, nullptr), QString());
    QCOMPARE(optionsSet, std::vector<CURLoption>({CURLOPT_PROTOCOLS_STR, CURLOPT_REDIR_PROTOCOLS_STR}));
    // Older: by their bits.
    optionsSet.clear();
    namesKnown = false;
    QCOMPARE(limitProtocols(olderLibcurl, nullptr), QString());
    QVERIFY(optionsSet.size() >= 2);
    CURL_IGNORE_DEPRECATION(QCOMPARE(std::vector<CURLoption>(optionsSet.end() - 2, optionsSet.end()),
                                     std::vector<CURLoption>({CURLOPT_PROTOCOLS, CURLOPT_REDIR_PROTOCOLS}));)
    // Neither: no fetch at all, rather than one that follows a redirect anywhere.
    bitsKnown = false;
    QVERIFY(!limitProtocols(olderLibcurl, nullptr).isEmpty());
}

QTEST_MAIN(TestFilesAndPictures)
#include "test_files_and_pictures.moc"
