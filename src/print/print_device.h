// What the print layout needs of the platform, as interfaces the Qt side
// implements over a printer (and tests implement with fixed numbers):
//
//   TPrinterServices  the current printer: its resolution, printable page,
//                     unprintable edges, orientation, paper code and papers;
//   TTextMeasurer     one selected font's metrics and character widths, in
//                     printer pixels;
//   TPrintCanvas      a print job: pages replayed from recordings;
//   TPrintProgress    the progress reporter the layout keeps informed.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/value_codec.h"

namespace tamber {

struct TPrintRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TPrintRect&) const = default;
};

// The unprintable edges of the sheet, in printer pixels.
struct TPrintOffsets {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TPrintOffsets&) const = default;
};

// One paper of a printer driver: name, size in mm, paper code.
struct TPaperItem {
  std::string Name;
  int Width = 0;
  int Height = 0;
  int Code = 0;
  bool operator==(const TPaperItem&) const = default;
};

// A failure the user is told about: a printer that refuses a job, a page
// without room for text.
class TPrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPrinterServices {
 public:
  virtual ~TPrinterServices() = default;
  // False when there is no current printer or it cannot be asked; the other
  // printer questions are then not asked.
  virtual bool PrinterAvailable() const = 0;
  virtual int ScreenDpi() const = 0;
  // Horizontal resolution, pixels per inch.
  virtual int PrinterDpi() const = 0;
  virtual bool Landscape() const = 0;
  // Width and height of the printable page, printer pixels.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  // The unprintable edges as the printer reports them (not assumed centred).
  virtual TPrintOffsets Offsets() const = 0;
  // Index of the current printer in the printer list, -1 for none.
  virtual int PrinterIndex() const = 0;
  virtual std::string PrinterName() const = 0;  // CP932
  virtual int PaperCode() const = 0;
  // The driver's papers, sizes in tenths of a millimetre. May throw
  // TPrintError part way; the papers given before the throw stay.
  virtual void DriverPapers(std::vector<TPaperItem>& out) const = 0;
};

struct TFontMetrics {
  int Height = 0;          // ascent + descent
  int Ascent = 0;
  int ExternalLeading = 0;
  int AverageCharWidth = 0;
};

class TTextMeasurer {
 public:
  virtual ~TTextMeasurer() = default;
  // Selects font at pixelSize printer pixels for the calls below.
  virtual TFontMetrics SelectFont(const TFontData& font, int pixelSize) = 0;
  // Advance of one CP932 character (one byte, or a lead and a trail byte) in
  // the selected font. Widths add up: the canvas draws without kerning or
  // ligatures, so a run is as wide as the sum of its characters.
  virtual int CharWidth(std::string_view ch) = 0;
};

class TMetaFile;

// A print job. Every call may throw TPrintError; EndDoc is called after a
// failure too.
class TPrintCanvas {
 public:
  virtual ~TPrintCanvas() = default;
  virtual void BeginDoc() = 0;
  virtual void NewPage() = 0;
  // Replays the recording stretched into target (printer pixels).
  virtual void DrawPage(const TMetaFile& page, const TPrintRect& target) = 0;
  virtual void EndDoc() = 0;
};

class TPrintProgress {
 public:
  virtual ~TPrintProgress() = default;
  virtual void Show(std::string_view status) = 0;
  // Also lets pending user-interface events run.
  virtual void Update(std::string_view status, int total, int done) = 0;
  virtual bool Cancelled() const = 0;
  virtual void Close() = 0;
};

}  // namespace tamber
