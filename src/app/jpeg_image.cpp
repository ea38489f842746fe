#include "app/jpeg_image.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h wants size_t and FILE declared first.
#include <jpeglib.h>

namespace tamber {

namespace {

// libjpeg reports through these; the default ones print and exit().
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr c) {
  auto* m = reinterpret_cast<ErrorManager*>(c->err);
  c->err->format_message(c, m->message);
  std::longjmp(m->jump, 1);
}

void EmitMessage(j_common_ptr c, int level) {
  // Level -1 is corrupt data (a premature end among them); the rest is tracing.
  if (level < 0) ErrorExit(c);
}

// Only plain data lives in this frame: a longjmp back into it skips no
// destructor, and the image is the caller's.
bool DecodeInto(const unsigned char* data, unsigned long size, QImage* out, char* message) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  err.message[0] = '\0';
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::strncpy(message, err.message, JMSG_LENGTH_MAX);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
  jpeg_start_decompress(&cinfo);
  const long long w = cinfo.output_width, h = cinfo.output_height;
  if (w * h > kMaxJpegPixels) {
    std::snprintf(message, JMSG_LENGTH_MAX, "Image too large (%lld x %lld pixels)", w, h);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *out = QImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGBX8888);
  if (out->isNull()) {
    std::snprintf(message, JMSG_LENGTH_MAX, "Out of memory for %lld x %lld pixels", w, h);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  // CMYK rows are read here and turned into RGBX; the pool goes with cinfo.
  JSAMPARRAY cmykRow =
      cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1)
           : nullptr;
  // Adobe's CMYK files store the inks inverted.
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    uchar* line = out->scanLine(static_cast<int>(cinfo.output_scanline));
    if (!cmyk) {
      JSAMPROW row = line;
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&cinfo, cmykRow, 1);
    const JSAMPLE* s = cmykRow[0];
    for (long long x = 0; x < w; ++x, s += 4, line += 4) {
      const int k = inverted ? s[3] : 255 - s[3];
      for (int i = 0; i < 3; ++i) line[i] = static_cast<uchar>((inverted ? s[i] : 255 - s[i]) * k / 255);
      line[3] = 255;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes, QString* error) {
  QImage image;
  char message[JMSG_LENGTH_MAX] = {};
  if (!DecodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()),
                  &image, message)) {
    if (error) *error = QString::fromLocal8Bit(message);
    return {};
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

QImage ReadJpegFile(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return {};
  }
  return DecodeJpeg(f.readAll(), error);
}

}  // namespace tamber
