#include "app/text_commands.h"

#include <QAction>
#include <QDate>
#include <QInputDialog>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>

#include "app/mdi_child.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "view/text_editor.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

int ClampConversionTabCount(int n) { return std::clamp(n, 2, 8); }

std::string TabsToSpaces(std::string_view line, int n) {
  n = ClampConversionTabCount(n);
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c == '\t') out.append(static_cast<std::size_t>(n), ' ');
    else out += c;
  }
  return out;
}

std::string SpacesToTabs(std::string_view line, int n) {
  n = ClampConversionTabCount(n);
  const std::string run(static_cast<std::size_t>(n), ' ');
  std::string out;
  out.reserve(line.size());
  std::size_t i = 0;
  while (i < line.size()) {
    if (line.compare(i, run.size(), run) == 0) {
      out += '\t';
      i += run.size();
    } else {
      out += line[i++];
    }
  }
  return out;
}

namespace {

struct TEra {
  const char* name;
  TCivilDate first;
};
// The eras by their first days, newest last.
constexpr std::array<TEra, 5> kEras{{
    {"明治", {1868, 9, 8}},
    {"大正", {1912, 7, 30}},
    {"昭和", {1926, 12, 25}},
    {"平成", {1989, 1, 8}},
    {"令和", {2019, 5, 1}},
}};

bool Before(TCivilDate a, TCivilDate b) {
  if (a.year != b.year) return a.year < b.year;
  if (a.month != b.month) return a.month < b.month;
  return a.day < b.day;
}

}  // namespace

std::string JapaneseEraDate(TCivilDate date) {
  const TEra* era = nullptr;
  for (const TEra& e : kEras)
    if (!Before(date, e.first)) era = &e;
  char buf[96];
  if (era)
    std::snprintf(buf, sizeof buf, "%s %02d年 %02d月 %02d日", era->name, date.year - era->first.year + 1, date.month,
                  date.day);
  else
    std::snprintf(buf, sizeof buf, "%04d年 %02d月 %02d日", date.year, date.month, date.day);
  return buf;
}

namespace {

// The text offset of line i's first byte and the joined bytes of first..last.
std::int64_t LineOffset(TTextEditor& e, int i) { return e.Text().RowByteToOffset(e.Text().LineToRow(i), 0); }

std::string JoinLines(TTextEditor& e, int first, int last) {
  std::string s;
  for (int i = first; i <= last; ++i) {
    if (i > first) s += "\r\n";
    s += e.Lines().Get(i);
  }
  return s;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) s += "\r\n";
    s += lines[i];
  }
  return s;
}

}  // namespace

bool ReplaceLines(TTextEditor& e, int first, int last, const std::vector<std::string>& lines) {
  if (e.ReadOnly()) return false;
  const int count = e.Lines().Count();
  if (first < 0 || last >= count || first > last) return false;
  const int row = e.Row(), col = e.Col();
  const std::int64_t start = LineOffset(e, first);
  const std::int64_t length = static_cast<std::int64_t>(JoinLines(e, first, last).size());
  const std::string text = Join(lines);
  const TCaretUpdate hold(e);
  e.SetSelStart(start);
  e.SetSelLength(length);
  if (text.empty()) e.DeleteSelection();
  else e.SetSelTextBuf(text);
  e.SetRowCol(std::min(row, std::max(0, e.Text().Count() - 1)), col);
  return true;
}

bool TransformAllLines(TTextEditor& e, const std::function<std::string(std::string_view)>& f) {
  if (e.ReadOnly()) return false;
  const int count = e.Lines().Count();
  int first = -1, last = -1;
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    const std::string line = e.Lines().Get(i);
    std::string next = f(line);
    if (next != line) {
      if (first < 0) first = i;
      last = i;
    }
    out.push_back(std::move(next));
  }
  if (first < 0) return false;
  return ReplaceLines(e, first, last,
                      std::vector<std::string>(out.begin() + first, out.begin() + last + 1));
}

void AsOneUndoStep(TTextEditor& e, int first, int last, const std::function<void()>& body) {
  const int count = e.Lines().Count();
  if (first < 0 || last >= count || first > last) {
    body();
    return;
  }
  TTextEditorUndoObj& undo = e.Text().UndoObj();
  const std::string old = JoinLines(e, first, last);
  const std::int64_t start = LineOffset(e, first);
  const int startRow = e.Text().LineToRow(first);
  const int row = e.Row(), col = e.Col();
  const std::uint64_t before = undo.Recorded();
  body();
  const std::uint64_t made = undo.Recorded() - before;
  // Folding needs every step still on the list and the line count unchanged.
  if (made <= 1 || made > undo.UndoList().size() || e.Lines().Count() != count) return;
  for (std::uint64_t i = 0; i < made; ++i) undo.UndoList().pop_back();
  TUndoData& rec = undo.NewRecord(row, col);
  rec.StartRow = startRow;
  rec.Offset = start;
  rec.RemovedText = old;
  rec.InsertedLength = static_cast<std::int64_t>(JoinLines(e, first, last).size());
}

namespace {

// The caret's logical line and its byte in it; -1 for the place after the
// final line break (an empty line of its own).
std::pair<int, int> CaretLine(TTextEditor& e) {
  const int row = e.Row();
  if (row >= e.Text().Count()) return {-1, 0};
  return {e.Text().RowToLine(row), e.LogicalColumn(row, e.Col())};
}

}  // namespace

void DeleteToLineStart(TTextEditor& e) {
  if (e.ReadOnly()) return;
  const auto [i, c] = CaretLine(e);
  if (i < 0) {
    e.SetCol(0);
    return;
  }
  std::string line = e.Lines().Get(i);
  const auto cut = std::min<std::size_t>(static_cast<std::size_t>(c), line.size());
  e.CleanSelection();
  const TCaretUpdate hold(e);
  if (cut > 0) e.Lines().Put(i, line.substr(cut));
  e.SetRowCol(e.Text().LineToRow(i), 0);
}

void DeleteToLineEnd(TTextEditor& e) {
  if (e.ReadOnly()) return;
  const int k = e.Col();
  const auto [i, c] = CaretLine(e);
  if (i < 0) return;
  std::string line = e.Lines().Get(i);
  const auto cut = std::min<std::size_t>(static_cast<std::size_t>(c), line.size());
  e.CleanSelection();
  const TCaretUpdate hold(e);
  if (cut < line.size()) e.Lines().Put(i, line.substr(0, cut));
  e.SetRowCol(e.Text().LineToRow(i), k);
}

void IndentTimes(TTextEditor& e, int n, bool indent) {
  if (e.ReadOnly() || !e.Selected() || n <= 0) return;
  const int rows = e.Text().Count();
  if (rows == 0) return;
  const int first = e.Text().RowToLine(std::min(e.SelTopRow(), rows - 1));
  const int last = e.Text().RowToLine(std::min(e.SelBottomRow(), rows - 1));
  AsOneUndoStep(e, first, last, [&] {
    for (int k = 0; k < n; ++k) indent ? e.IndentSelection() : e.UnindentSelection();
  });
}

std::string SignatureText(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// ---- the frame's bindings ----

QString LongTimeFormatWithoutZone(const QLocale& locale) {
  QString f = locale.timeFormat(QLocale::LongFormat);
  // The zone ("t", "tt"…) with the blanks around it goes; the rest stays.
  f.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
  f = f.trimmed();
  return f.isEmpty() ? QStringLiteral("HH:mm:ss") : f;
}

TTextCommandHooks& TextCommandHooks() {
  static TTextCommandHooks hooks{
      [] {
        const QDate d = QDate::currentDate();
        return TCivilDate{d.year(), d.month(), d.day()};
      },
      [] { return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat); },
      [] { return QTime::currentTime().toString(LongTimeFormatWithoutZone(QLocale::system())); },
      [](const QString& caption, const QString& prompt) -> std::optional<QString> {
        bool ok = false;
        const QString s = QInputDialog::getText(nullptr, caption, prompt, QLineEdit::Normal, QString(), &ok);
        if (!ok) return std::nullopt;
        return s;
      },
  };
  return hooks;
}

void BindTextCommands(TTamberForm& form, const TBindFn& bind) {
  TTamberForm* f = &form;
  // A command on the active document's pane; a read-only one only beeps.
  auto edit = [f](bool focused, std::function<void(TTamberForm&, TMDIChild&, TTextEditor&)> body) {
    return [f, focused, body = std::move(body)] {
      TMDIChild* d = f->ActiveDocument();
      if (!d) return;
      TTextEditor& e = (focused ? d->FocusedPane() : d->Edit()).Editor();
      if (e.ReadOnly()) {
        f->Prompts().Beep();
        return;
      }
      body(*f, *d, e);
    };
  };
  auto insert = [edit](std::function<std::string()> text) {
    return edit(false, [text = std::move(text)](TTamberForm&, TMDIChild&, TTextEditor& e) {
      const std::string s = text();
      if (!s.empty()) e.SetSelTextBuf(s);
    });
  };

  bind("LineDel", edit(false, [](TTamberForm&, TMDIChild&, TTextEditor& e) { e.DeleteRow(e.Row()); }));
  bind("ShiftBS", edit(true, [](TTamberForm&, TMDIChild&, TTextEditor& e) { DeleteToLineStart(e); }));
  bind("ShiftDel", edit(true, [](TTamberForm&, TMDIChild&, TTextEditor& e) { DeleteToLineEnd(e); }));
  bind("AcIndent", edit(true, [](TTamberForm&, TMDIChild& d, TTextEditor& e) {
         IndentTimes(e, d.Edit().Editor().Caret().TabSpaceCount(), true);
       }));
  bind("AcUnIndent", edit(true, [](TTamberForm&, TMDIChild& d, TTextEditor& e) {
         IndentTimes(e, d.Edit().Editor().Caret().TabSpaceCount(), false);
       }));
  bind("AcTab2Space", edit(false, [](TTamberForm& form, TMDIChild&, TTextEditor& e) {
         const int n = ClampConversionTabCount(form.Settings().TabSpaceCount);
         TransformAllLines(e, [n](std::string_view l) { return TabsToSpaces(l, n); });
       }));
  bind("AcSpace2Tab", edit(false, [](TTamberForm& form, TMDIChild&, TTextEditor& e) {
         const int n = ClampConversionTabCount(form.Settings().TabSpaceCount);
         TransformAllLines(e, [n](std::string_view l) { return SpacesToTabs(l, n); });
       }));
  auto quote = [f](bool add) {
    return [f, add] {
      TMDIChild* d = f->ActiveDocument();
      if (!d) return;
      TTextEditorFx& pane = d->FocusedPane();
      TTextEditor& e = pane.Editor();
      if (e.ReadOnly()) {
        f->Prompts().Beep();
        return;
      }
      if (!e.Selected()) return;
      AsOneUndoStep(e, e.SelFirstLine() - 1, e.SelLastLine() - 1, [&] { add ? pane.QuoteLines() : pane.UnquoteLines(); });
    };
  };
  bind("RessAdd", quote(true));
  bind("RessDel", quote(false));
  for (int i = 0; i < 5; ++i) {
    const std::string name = "AcSign" + std::to_string(i + 1);
    bind(name, insert([f, i] { return SignatureText(f->Settings().Sign[static_cast<std::size_t>(i)]); }));
  }
  // The documents hold CP932; the dates are made in UTF-8.
  bind("AcDateE", insert([] { return Utf8ToCp932(TextCommandHooks().shortDate().toStdString()); }));
  bind("AcDateJ", insert([] { return Utf8ToCp932(JapaneseEraDate(TextCommandHooks().today())); }));
  bind("AcTime", insert([] { return Utf8ToCp932(TextCommandHooks().longTime().toStdString()); }));
  bind("AcLineJump", [f] {
    TMDIChild* d = f->ActiveDocument();
    if (!d) return;
    const auto answer = TextCommandHooks().askLine(TTamberForm::SystemMessageCaption(),
                                                   QString::fromUtf8("ジャンプ行を入力して下さい。"));
    if (!answer) return;
    bool ok = false;
    const int k = answer->trimmed().toInt(&ok);
    if (!ok) throw std::invalid_argument("'" + answer->toStdString() + "' is not a valid integer value");
    TTextEditor& e = d->Edit().Editor();
    if (k > 0 && k <= e.Lines().Count()) e.SetRow(e.Text().LineToRow(k - 1));
  });
  bind("AcWordWarp", [f] {
    QAction* a = f->Action("AcWordWarp");
    TMDIChild* d = f->ActiveDocument();
    if (!d || !a) return;
    const bool v = !d->Edit().Editor().Text().WordWrap();
    d->Edit().Editor().Text().SetWordWrap(v);
    a->setChecked(v);
  });
  bind("AcAlphaBlend", [f] {
    QAction* a = f->Action("AcAlphaBlend");
    const bool on = f->windowOpacity() >= 1.0;
    f->setWindowOpacity(on ? 160.0 / 255.0 : 1.0);
    if (a) a->setChecked(on);
  });
}

}  // namespace tamber
