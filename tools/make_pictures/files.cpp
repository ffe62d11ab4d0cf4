#include "pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <cstdio>

bool fail(const QString &what)
{
    std::fprintf(stderr, "make_pictures: %s\n", qPrintable(what));
    return false;
}

// Every file is encoded in memory first and then written in one go, so a
// full disk or a failing close is noticed rather than leaving a cut-off file
// behind a zero exit status.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    // close() clears the error state, so the reason is taken before it.
    bool written = file.write(bytes) == bytes.size() && file.flush();
    QString reason = file.errorString();
    if (written) {
        file.close();
        written = file.error() == QFileDevice::NoError;
        reason = file.errorString();
    }
    if (!written)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, reason));
    return true;
}

bool encodeImage(const QImage &img, const char *format, int quality, QByteArray *bytes,
                 const QString &path)
{
    QBuffer buf(bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(img))
        return fail(QStringLiteral("cannot encode %1: %2").arg(path, writer.errorString()));
    return true;
}

bool writeImage(const QImage &img, const QString &path, const char *format, int quality)
{
    QByteArray bytes;
    return encodeImage(img, format, quality, &bytes, path) && writeFile(path, bytes);
}
