#include "pictures.h"

#include "console.h"
#include "sequential_files.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QtEndian>

namespace platform {

namespace {

// Qt's image readers say that a picture was cut short or is damaged only in
// a warning (libjpeg's "premature end of data segment") and still hand back
// a picture; such a warning while decoding makes the picture corrupt here.
QString* decodeWarnings = nullptr;
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

} // namespace

QString pictureProblem(const QByteArray& bytes, QImage* decoded)
{
    if (bytes.isEmpty())
        return QStringLiteral("the file is empty");
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
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

    QString warning;
    decodeWarnings = &warning;
    previousHandler = qInstallMessageHandler(catchDecodeWarning);
    QImage image;
    const bool read = reader.read(&image);
    qInstallMessageHandler(previousHandler);
    decodeWarnings = nullptr;
    if (!read || image.isNull())
        return warning.isEmpty() ? reader.errorString() : warning;
    if (!warning.isEmpty())
        return warning;
    if (decoded)
        *decoded = std::move(image);
    return QString();
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
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxPictureFileBytes + 1, &why);
    if (bytes && bytes->size() > kMaxPictureFileBytes)
        why = QStringLiteral("the file is larger than %1 MiB").arg(kMaxPictureFileBytes >> 20);
    QImage image;
    if (why.isEmpty() && bytes)
        why = pictureProblem(*bytes, &image);
    if (!why.isEmpty()) {
        writeErrorLine(QStringLiteral("picture %1 not loaded: %2").arg(QDir::toNativeSeparators(path), why));
        return std::nullopt;
    }
    return Picture{QPixmap::fromImage(std::move(image)), fileName};
}

} // namespace platform
