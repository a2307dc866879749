#pragma once
// The bytes of a PNG picture of one colour, as a picture column or a file holds them.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace testutil {

inline QByteArray pngBytes(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace testutil
