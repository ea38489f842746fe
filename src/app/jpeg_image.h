// JPEG pictures through libjpeg, whose errors come back here instead of
// ending the program: a file that is damaged, cut short or too large to hold
// yields a null image and the reason.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tamber {

// The largest picture decoded, in pixels (about 256 MB held as 32-bit pixels).
inline constexpr long long kMaxJpegPixels = 64LL * 1024 * 1024;

// The picture of a JPEG stream in 32-bit RGB; on failure a null image and
// *error (when given) says why. Corrupt-data warnings count as failures: a
// cut-short file would otherwise show grey where its data ends.
QImage DecodeJpeg(const QByteArray& bytes, QString* error = nullptr);
// The same from a file; a file that cannot be read fails too.
QImage ReadJpegFile(const QString& path, QString* error = nullptr);

}  // namespace tamber
