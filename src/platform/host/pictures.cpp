#include "pictures.h"

#include "console.h"
#include "sequential_files.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <mutex>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <ctime>
#endif

namespace platform {

namespace {

// Qt's image readers say that a picture was cut short or is damaged only in
// a warning (libjpeg's "premature end of data segment") and still hand back
// a picture; such a warning while decoding makes the picture corrupt here.
// The handler is put in once and stays: other threads' messages (a picture
// read ahead, a bus) pass through it while a picture is checked here, and
// each thread collects only its own decoder's warnings.
thread_local QString* decodeWarnings = nullptr;
QtMessageHandler previousHandler = nullptr;

void catchDecodeWarning(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const bool fromReader = context.category && qstrncmp(context.category, "qt.gui.imageio", 14) == 0;
    if (decodeWarnings && fromReader && type != QtDebugMsg && type != QtInfoMsg) {
        if (decodeWarnings->isEmpty())
            *decodeWarnings = text;
        return;
    }
    if (previousHandler)
        previousHandler(type, context, text);
}

// A BMP whose pixel rows do not all fit in the file: Qt reads the rest as
// black without a word.
bool bmpIsShort(const QByteArray& bytes)
{
    if (bytes.size() < 54 || !bytes.startsWith("BM"))
        return false;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint32 offset = qFromLittleEndian<quint32>(data + 10);
    const qint32 width = qFromLittleEndian<qint32>(data + 18);
    const qint32 height = qFromLittleEndian<qint32>(data + 22);
    const quint16 bits = qFromLittleEndian<quint16>(data + 28);
    const quint32 compression = qFromLittleEndian<quint32>(data + 30);
    if (compression != 0 || width <= 0 || height == 0 || bits == 0)
        return false; // packed forms: Qt's reader checks those itself
    const qint64 row = (qint64(width) * bits + 31) / 32 * 4;
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    return qint64(offset) + row * rows > bytes.size();
}

// Processor time of the calling thread, in milliseconds.
qint64 threadCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ms = [](const FILETIME& t) { return ((qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
#else
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

// The picture's bytes, handed to the decoder in small pieces, and no more
// once the decoding has used up its processor time: a decoder asks for the
// next piece often enough (a few scans of a JPEG at a time) to be cut short
// soon after. It then sees the file end, says so in a warning, and stops.
// (Not a QBuffer: Qt's JPEG reader takes a QBuffer's bytes all at once.)
class BudgetedBytes final : public QIODevice {
public:
    explicit BudgetedBytes(const QByteArray& bytes) : bytes_(bytes), startMs_(threadCpuMs()) {}
    bool overBudget() const { return over_; }
    bool isSequential() const override { return false; }
    qint64 size() const override { return bytes_.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (over_ || threadCpuMs() - startMs_ > kPictureDecodeBudgetMs) {
            over_ = true;
            return -1;
        }
        const qint64 n = std::min({maxSize, qint64(512), bytes_.size() - pos()});
        if (n <= 0)
            return 0;
        std::memcpy(data, bytes_.constData() + pos(), size_t(n));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray bytes_;
    qint64 startMs_;
    bool over_ = false;
};

} // namespace

QString pictureProblem(const QByteArray& bytes, QImage* decoded)
{
    if (bytes.isEmpty())
        return QStringLiteral("the file is empty");
    BudgetedBytes buffer(bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kPictureAllocationLimitMb);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return QStringLiteral("not a picture Qt can read");
    if (format == "bmp" && bmpIsShort(bytes))
        return QStringLiteral("the picture is cut short");
    if (format == "gif" && !bytes.endsWith(char(0x3b)))
        return QStringLiteral("the picture is cut short");

    static std::once_flag handlerInstalled;
    std::call_once(handlerInstalled, [] { previousHandler = qInstallMessageHandler(catchDecodeWarning); });
    QString warning;
    decodeWarnings = &warning;
    QImage image;
    const bool read = reader.read(&image);
    decodeWarnings = nullptr;
    if (buffer.overBudget())
        return QStringLiteral("decoding it takes more than %1 s of processor time").arg(kPictureDecodeBudgetMs / 1000.0);
    if (!read || image.isNull())
        return warning.isEmpty() ? reader.errorString() : warning;
    if (!warning.isEmpty())
        return warning;
    if (decoded)
        *decoded = std::move(image);
    return QString();
}

namespace {

// The picture in the file `path`, or why not.
QImage decodeFile(const QString& path, QString* why)
{
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxPictureFileBytes + 1, why);
    if (bytes && bytes->size() > kMaxPictureFileBytes)
        *why = QStringLiteral("the file is larger than %1 MiB").arg(kMaxPictureFileBytes >> 20);
    QImage image;
    if (why->isEmpty() && bytes)
        *why = pictureProblem(*bytes, &image);
    return why->isEmpty() ? image : QImage();
}

// The picture drawn at twice the size beside `path` (`name@2x.ext`), for a
// screen of more than one device pixel to a point; only when it is not
// older than the picture itself, so that a picture of the user's own put in
// place of the program's is shown, not the program's at 2x.
QImage decodeTwiceTheSize(const QString& path)
{
    if (!qApp || qApp->devicePixelRatio() <= 1.0)
        return QImage();
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString twice = path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
    const QFileInfo big(twice), small(path);
    if (dot <= path.lastIndexOf(u'/') || !big.isFile() || big.lastModified() < small.lastModified())
        return QImage();
    QString why;
    QImage image = decodeFile(twice, &why);
    if (!image.isNull())
        image.setDevicePixelRatio(2.0);
    return image;
}

} // namespace

QImage readBuiltInPicture(const QString& name, qreal ratio)
{
    const QString path = QStringLiteral(":/pictures/") + name;
    qreal found = 1;
    QImageReader reader(qt_findAtNxFile(path, ratio, &found), QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    image.setDevicePixelRatio(found);
    return image;
}

std::optional<Picture> HostPictures::load(const QString& fileName)
{
    QString path = fileName;
#ifndef Q_OS_WIN
    // The program puts a backslash between its folder and the picture's
    // name; a folder's own name may hold backslashes, which stay.
    if (const qsizetype separator = path.lastIndexOf(u'\\'); separator >= 0)
        path[separator] = u'/';
#endif
    QString why;
    QImage image = decodeFile(path, &why);
    if (image.isNull()) {
        writeErrorLine(QStringLiteral("picture %1 not loaded: %2").arg(QDir::toNativeSeparators(path), why));
        return std::nullopt;
    }
    if (QImage sharper = decodeTwiceTheSize(path); !sharper.isNull())
        image = std::move(sharper);
    return Picture{QPixmap::fromImage(std::move(image)), fileName};
}

} // namespace platform
