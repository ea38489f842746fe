// Tokenising sources row by row, and the reparse after typing "/*" at the top
// of a long C file. Figures: bytes_per_second of the source; for the edit,
// the rows it reparsed and whether a far row is still unparsed.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "editor/row_loader.h"
#include "editor/screen_strings.h"
#include "highlight/editor_fountain.h"
#include "highlight/language_fountains.h"
#include "highlight/row_tokens.h"
#include "support/fake_view.h"
#include "support/bench_data.h"

namespace {

using namespace tamber;

constexpr std::size_t kSourceSize = 10u << 20;

// About `bytes` of source made of the given lines, in a fixed shuffled order.
std::vector<std::string> MakeRows(std::size_t bytes, const std::vector<std::string>& lines) {
  std::vector<std::string> rows;
  std::size_t size = 0;
  std::uint32_t x = 2463534242u;
  while (size < bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    rows.push_back(lines[x % lines.size()]);
    size += rows.back().size() + 2;
  }
  return rows;
}

const std::vector<std::string>& CSource() {
  static const std::vector<std::string> rows = MakeRows(
      kSourceSize,
      {"#include <stdio.h>", "/* A block comment that", "   runs over rows */",
       "int main(int argc, char** argv) {", "    printf(\"hello %d\\n\", 0x1F + argc);  // say hello",
       "    double d = 3.14e-2; char c = 'x';", "    for (int i = 0; i < 100; ++i) total += table[i] * 2;",
       "    return 0;", "}", "", "static const char* kName = \"\x93\xfa\x96\x7b\x8c\xea\";  /* \x92\x8d\x8e\xdf */"});
  return rows;
}

const std::vector<std::string>& PascalSource() {
  static const std::vector<std::string> rows = MakeRows(
      kSourceSize,
      {"unit Main;", "{ A brace comment that", "  runs over rows }", "procedure TForm1.Button1Click(Sender: TObject);",
       "var i: Integer; s: string;", "begin", "  s := 'It''s ' + #13#10 + IntToStr($FF);  // say it",
       "  for i := 0 to 100 do Total := Total + Table[i] * 2.5;", "  (* old code *) Caption := '\x93\xfa\x96\x7b';",
       "end;", "", "property Count: Integer read FCount write SetCount;"});
  return rows;
}

// The state pass the storage runs: ParseRow over every row.
void ParseRows(benchmark::State& state, TFountain& fountain, const std::vector<std::string>& rows) {
  auto parser = fountain.CreateParser();
  std::size_t bytes = 0;
  for (const auto& r : rows) bytes += r.size();
  for (auto _ : state) {
    TRowAttributeData s;
    for (const auto& r : rows) parser->ParseRow(r, raBreak, nullptr, raNone, s);
    benchmark::DoNotOptimize(s.OpenBracket);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// What painting does per row: every token with its colour, from the state
// stored for the row.
void PaintRows(benchmark::State& state, TFountain& fountain, const std::vector<std::string>& rows) {
  auto parser = fountain.CreateParser();
  std::size_t bytes = 0;
  std::vector<TRowAttributeData> states;
  TRowAttributeData s;
  for (const auto& r : rows) {
    bytes += r.size();
    states.push_back(s);
    parser->ParseRow(r, raBreak, nullptr, raNone, s);
  }
  for (auto _ : state) {
    std::size_t tokens = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      parser->LoadRow(rows[i], states[i]);
      while (parser->Next() != tokEnd) {
        benchmark::DoNotOptimize(parser->TokenColor());
        ++tokens;
      }
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_ParseRows_C(benchmark::State& state) {
  TCFountain f;
  ParseRows(state, f, CSource());
}
void BM_ParseRows_Pascal(benchmark::State& state) {
  TDelphiFountain f;
  ParseRows(state, f, PascalSource());
}
void BM_PaintTokens_C(benchmark::State& state) {
  TCFountain f;
  PaintRows(state, f, CSource());
}
void BM_PaintTokens_Pascal(benchmark::State& state) {
  TDelphiFountain f;
  PaintRows(state, f, PascalSource());
}

// The editor fountain as a C file gets it (comment, quotes, brackets, words).
void BM_PaintTokens_EditorFountainC(benchmark::State& state) {
  TTextEditorFountain f;
  f.SetCommenter("//");
  f.SetQuotation("\"");
  f.SetHexPrefix("0x");
  f.SetUrl(true);
  f.SetMail(true);
  f.Brackets().Add("/*", "*/");
  for (const char* w : {"int", "char", "double", "for", "return", "static", "const"}) f.ReserveWordList().Add(w);
  PaintRows(state, f, CSource());
}

// One long row of mail characters without an address: every token start
// would rescan to the row end without the remembered failure.
void BM_MailScan_LongRow(benchmark::State& state) {
  TTextEditorFountain f;
  f.SetMail(true);
  std::string row;
  while (row.size() < static_cast<std::size_t>(state.range(0))) row += "a-b.";
  PaintRows(state, f, {row});
}

void BM_TypeCommentOpenerOnRow0(benchmark::State& state) {
  constexpr int kRows = 200000;
  TCFountain f;
  test::FakeView view;  // 50 rows a screen over a C file of 200,000 rows
  view.focus = true;
  view.height = 800;
  view.pitch = 16;
  view.bracketsFull = true;
  view.recordChanges = false;
  view.parserFactory = [&f] { return f.CreateParser(); };
  TTextEditorScreenStrings text;
  text.AttachView(&view);
  std::string s;
  const auto& rows = CSource();
  for (int i = 0; i < kRows; ++i) {
    // No block comments of its own, so "/*" at the top reaches every row.
    const std::string& r = rows[i % 8 + 3];
    s += r.find("/*") == std::string::npos && r.find("*/") == std::string::npos ? r : "x = 1;";
    s += "\r\n";
  }
  RowLoader loader;
  loader.Feed(s);
  text.SetAllRows(loader.Finish());  // parses every row (InitBracketsFull)
  const std::string first = text.RowTextAt(0);
  int reparsed = 0;
  bool far_unparsed = false;
  for (auto _ : state) {
    text.ReplaceRows(0, 1, "/*" + first + "\r\n");
    reparsed = view.last.ReparsedRows;
    far_unparsed = text.OpenBracket(150000) == -2;
    state.PauseTiming();
    text.ReplaceRows(0, 1, first + "\r\n");
    state.ResumeTiming();
  }
  state.counters["reparsed_rows"] = reparsed;
  state.counters["screen_rows"] = 800 / 16;
  state.counters["far_row_unparsed"] = far_unparsed;
}

}  // namespace

BENCHMARK(BM_ParseRows_C)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseRows_Pascal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTokens_C)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTokens_Pascal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTokens_EditorFountainC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MailScan_LongRow)->Arg(1 << 10)->Arg(1 << 14)->Arg(1 << 17);
BENCHMARK(BM_TypeCommentOpenerOnRow0)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
