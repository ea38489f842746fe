// The page layout of TStringsPrinter: page geometry, wrapping lines into
// pieces that fit a column, and recording the pieces, line numbers, header
// and footer into pages.
#include <algorithm>
#include <cmath>
#include <vector>

#include "encoding/dbcs.h"
#include "print/strings_printer.h"

namespace tamber {

std::string CharKinds(std::string_view text) {
  std::string kinds(text.size(), '1');
  for (std::size_t i = 0; i < text.size();) {
    if (CharLength(text, i) == 2) {
      kinds[i] = '4';
      kinds[i + 1] = '5';
      i += 2;
      continue;
    }
    kinds[i] = static_cast<unsigned char>(text[i]) > 32 ? '1' : '2';
    ++i;
  }
  return kinds;
}

namespace {

// Character widths of the selected font, asked of the measurer once per
// character: a single byte at its value, a double-byte character at
// lead × 256 + trail.
class TCharWidths {
 public:
  explicit TCharWidths(TTextMeasurer& m) : measurer_(m), widths_(65536, -1) {}
  int Of(std::string_view text, std::size_t i, std::size_t len) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    const unsigned key = len == 2 ? (b0 << 8) | static_cast<unsigned char>(text[i + 1]) : b0;
    int& w = widths_[key];
    if (w < 0) w = std::max(0, measurer_.CharWidth(text.substr(i, len)));
    return w;
  }

 private:
  TTextMeasurer& measurer_;
  std::vector<int> widths_;
};

// The x of the next tab stop after x, for a run starting at left.
int NextTabStop(int left, int x, int tabWidth) { return left + ((x - left) / tabWidth + 1) * tabWidth; }

struct TGeometry {
  int W = 0, H = 0;
  TPrintRect Body, HeaderBand, FooterBand;
  TFontMetrics Metrics;
  TMetaFont Font;
  int RowHeight = 0;  // h: font height + external leading
  int RowGap = 0;     // g
  int TabWidth = 1;
};

class TLayout {
 public:
  TLayout(TStringsPrinter& owner, TTextMeasurer& measurer, TMetaFileList& pages)
      : p_(owner), widths_(measurer), pages_(pages) {}

  TGeometry g;
  TPrintRect numberBox, textBox;  // the current column's boxes
  int columnStep = 0;
  int column = 1;
  int rowTop = 0;
  TMetaFile* page = nullptr;
  int fontIndex = 0;

  // Draws text from x in the row at top, clipped to clip; tabs advance to
  // the next stop counted from x. A run that lies inside clip is marked so,
  // which spares the printer a clip per run.
  void DrawRun(std::string_view text, int x, int top, const TPrintRect& clip) {
    const int baseline = Baseline(top);
    const bool rowInside = top >= clip.Top && top + g.RowHeight <= clip.Bottom;
    const auto add = [&](int from, int to, std::string_view run) {
      const bool inside = rowInside && from >= clip.Left && to <= clip.Right;
      page->AddText(fontIndex, p_.Font().Color, from, baseline, clip, run, inside);
    };
    const int left = x;
    std::size_t start = 0;
    int startX = x;
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t len = CharLength(text, i);
      if (text[i] == '\t') {
        if (i > start) add(startX, x, text.substr(start, i - start));
        x = NextTabStop(left, x, g.TabWidth);
        start = i + 1;
        startX = x;
      } else {
        x += widths_.Of(text, i, len);
      }
      i += len;
    }
    if (start < text.size()) add(startX, x, text.substr(start));
  }

  int Width(std::string_view text) {
    int x = 0;
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t len = CharLength(text, i);
      x = text[i] == '\t' ? NextTabStop(0, x, g.TabWidth) : x + widths_.Of(text, i, len);
      i += len;
    }
    return x;
  }

  int Baseline(int top) const { return top + g.Metrics.ExternalLeading + g.Metrics.Ascent; }

  void DrawBand(TStringsPrinterHeaderAlign align, const std::string& tmpl, const TPrintRect& band) {
    if (align == haNone || tmpl.empty()) return;
    const std::string text = p_.ExpandHeaderText(tmpl);
    const int w = Width(text);
    int x = band.Left;
    if (align == haCenter) x = band.Left + (band.Width() - w) / 2;
    if (align == haRight) x = band.Right - w;
    DrawRun(text, x, band.Top, band);
  }

  void OpenPage() {
    page = &pages_.Add(g.W, g.H);
    fontIndex = page->AddFont(g.Font);
    DrawBand(p_.HeaderAlign(), p_.Header(), g.HeaderBand);
  }

  // Cuts text into pieces no wider than width (at least one whole character
  // each), preferring to end a piece after a blank or a double-byte character.
  void Wrap(std::string_view text, int width, std::vector<std::string_view>& pieces) {
    pieces.clear();
    if (text.empty()) {
      pieces.push_back(text);
      return;
    }
    while (!text.empty()) {
      std::size_t e = 0;
      int x = 0;
      while (e < text.size()) {
        const std::size_t len = CharLength(text, e);
        const int next = text[e] == '\t' ? NextTabStop(0, x, g.TabWidth) : x + widths_.Of(text, e, len);
        if (e > 0 && next > width) break;
        x = next;
        e += len;
      }
      if (e < text.size()) e = WordBreak(text, e);
      pieces.push_back(text.substr(0, e));
      text.remove_prefix(e);
    }
  }

  // The piece text[0, e) ends inside a word: end it instead after the last
  // blank or double-byte character before it, if there is one past the first byte.
  static std::size_t WordBreak(std::string_view text, std::size_t e) {
    const std::string kinds = CharKinds(text.substr(0, e));
    const auto breaksAfter = [&](std::size_t i) { return kinds[i] == '2' || kinds[i] == '5'; };
    if (breaksAfter(e - 1)) return e;
    for (std::size_t j = e - 1; j >= 2; --j) {
      if (breaksAfter(j - 1)) return j;
    }
    return e;
  }

 private:
  TStringsPrinter& p_;
  TCharWidths widths_;
  TMetaFileList& pages_;
};

int DecimalDigits(int v) {
  int d = 1;
  while (v >= 10) {
    v /= 10;
    ++d;
  }
  return d;
}

}  // namespace

bool TStringsPrinter::LayoutPages(const std::vector<std::string>& lines, TMetaFileList& pages,
                                  std::string_view status, TTextMeasurer& measurer, TPrintProgress* progress) {
  pages.Clear();
  TLayout L(*this, measurer, pages);
  TGeometry& g = L.g;

  // Page and body.
  if (PrinterAvailable()) {
    g.W = info_.Printer()->PageWidth();
    g.H = info_.Printer()->PageHeight();
  } else {
    const TPaperSize paper = info_.PaperSize();
    g.W = MmToPixels(paper.Width);
    g.H = MmToPixels(paper.Height);
  }
  const TPrintOffsets o = PrintableOffsets();
  g.Body = {std::max(0, MmToPixels(marginLeft_) - o.Left), std::max(0, MmToPixels(marginTop_) - o.Top),
            std::min(g.W, g.W + o.Right - MmToPixels(marginRight_)),
            std::min(g.H, g.H + o.Bottom - MmToPixels(marginBottom_))};

  // The font's size in points holds on paper.
  g.Font = {font_, std::max(1, static_cast<int>(std::lround(font_.Size * Dpi() / 72.0)))};
  g.Metrics = measurer.SelectFont(g.Font.Font, g.Font.PixelSize);
  g.RowHeight = g.Metrics.Height + g.Metrics.ExternalLeading;
  g.RowGap = MmToPixels(marginLine_);
  const int a = g.Metrics.AverageCharWidth;
  g.TabWidth = std::max(1, kPrintTabWidth * a);

  const int band = (3 * g.RowHeight) / 2;
  const bool header = headerAlign_ != haNone && !header_.empty();
  const bool footer = footerAlign_ != haNone && !footer_.empty();
  g.HeaderBand = {g.Body.Left, g.Body.Top, g.Body.Right, g.Body.Top + (header ? band : 0)};
  g.FooterBand = {g.Body.Left, g.Body.Bottom - (footer ? band : 0), g.Body.Right, g.Body.Bottom};
  const int top = g.HeaderBand.Bottom;
  const int bottom = g.FooterBand.Top;
  if (top + g.RowHeight + g.RowGap > bottom) {
    throw TPrintError("The page has no room for one row of text between the margins, header and footer.");
  }

  // Columns. The number box fits the largest number printed.
  const int count = static_cast<int>(lines.size());
  int first = 0, last = count - 1;
  if (lineRangeOption_ == roLimited) {
    first = std::max(first, startLine_ - 1);
    last = std::min(last, lastLine_ - 1);
  }
  const int printed = std::max(0, last - first + 1);
  const int largest = std::max(firstLineNumber_, firstLineNumber_ - 1 + printed);
  const int nw = lineNumber_ ? (DecimalDigits(largest) + 2) * a : 0;
  const int s = MmToPixels(columnSpace_);
  const int n = columnCount_;
  const int tw = (g.Body.Right - (g.Body.Left + nw) - (s + nw) * (n - 1)) / n;
  if (tw <= 0) {
    throw TPrintError("The text columns have no width: make the margins, the column space or the columns fewer.");
  }
  L.columnStep = s + nw + tw;
  const auto placeColumns = [&] {
    L.numberBox = {g.Body.Left, top, g.Body.Left + nw, bottom};
    L.textBox = {L.numberBox.Right, top, L.numberBox.Right + tw, bottom};
    L.column = 1;
    L.rowTop = top;
  };
  const int wrapWidth = (font_.Style & fsItalic) ? tw - a : tw;

  pageNumber_ = rangeOption_ == roLimited ? firstPageNumber_ - startPage_ + 1 : firstPageNumber_;
  lineNumberNow_ = firstLineNumber_ - 1;
  if (progress) progress->Show(status);
  L.OpenPage();
  placeColumns();

  std::vector<std::string_view> pieces;
  std::string joined;
  for (int i = 0; i < count; ++i) {
    if (progress) {
      progress->Update(status, count - 1, i);
      if (progress->Cancelled()) {
        progress->Close();
        return false;
      }
    }
    if (i < first || i > last) continue;
    ++lineNumberNow_;
    const std::string number = lineNumber_ ? std::to_string(lineNumberNow_) + ":" : std::string();
    const int numberWidth = lineNumber_ ? L.Width(number) : 0;
    L.Wrap(lines[static_cast<std::size_t>(i)], wrapWidth, pieces);
    for (std::string_view piece : pieces) {
      if (L.rowTop + g.RowHeight + g.RowGap > bottom) {
        if (L.column < n) {
          ++L.column;
          L.numberBox.Left += L.columnStep;
          L.numberBox.Right += L.columnStep;
          L.textBox.Left += L.columnStep;
          L.textBox.Right += L.columnStep;
          L.rowTop = top;
        } else {
          L.DrawBand(footerAlign_, footer_, g.FooterBand);
          ++pageNumber_;
          L.OpenPage();
          placeColumns();
        }
      }
      if (!lineNumber_) {
        L.DrawRun(piece, L.textBox.Left, L.rowTop, L.textBox);
      } else if (numberWidth <= nw && piece.find('\t') == std::string_view::npos) {
        // The number ends where the text box begins: one run for both
        // halves the printer's text objects.
        const TPrintRect both{L.numberBox.Left, L.numberBox.Top, L.textBox.Right, L.textBox.Bottom};
        joined.assign(number).append(piece);
        L.DrawRun(joined, L.numberBox.Right - numberWidth, L.rowTop, both);
      } else {
        L.DrawRun(number, L.numberBox.Right - numberWidth, L.rowTop, L.numberBox);
        L.DrawRun(piece, L.textBox.Left, L.rowTop, L.textBox);
      }
      L.rowTop += g.RowHeight + g.RowGap;
    }
  }
  L.DrawBand(footerAlign_, footer_, g.FooterBand);
  if (progress) progress->Close();
  return true;
}

}  // namespace tamber
