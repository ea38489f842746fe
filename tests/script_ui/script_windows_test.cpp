// The library's window classes on Qt widgets, offscreen: events reach the
// script's procedures with real mouse and key input.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "script/script_system.h"
#include "script/ui/qt_script_window_host.h"

namespace tamber::script {
namespace {

// The application lives in main, around all tests.
void App() { ASSERT_NE(QCoreApplication::instance(), nullptr); }

struct Outcome {
  std::string out;
  std::uint16_t code = 0;
  std::string text;
};

// Runs a script with the whole library on a Qt host, and with test procedures:
// Click(control) clicks it with the mouse, ClickLater(control) when messages
// are next processed, Press(control, c) types c into it.
Outcome RunWindows(TQtScriptWindowHost& host, const std::string& script) {
  App();
  Outcome r;
  TIfPasScript e;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterSystemLibrary(en, &host);
    en.RegisterFunction(
        [&r](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> a) -> std::uint16_t {
          r.out += ReadString(Deref(a[0])) + "\n";
          return 0;
        },
        "procedure Writeln(s: string)");
    auto widgetOf = [&host](Value& v) -> QWidget* {
      Value* f = TIfPasScript::InstanceField(v, "FCONTROL");
      return f ? host.Widget(f->res.ptr) : nullptr;
    };
    en.RegisterFunction(
        [widgetOf](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> a) -> std::uint16_t {
          QWidget* w = widgetOf(Deref(a[0]));
          if (!w) return ecNotSupported;
          QTest::mouseClick(w, Qt::LeftButton);
          return 0;
        },
        "procedure Click(c: TControl)");
    en.RegisterFunction(
        [widgetOf](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> a) -> std::uint16_t {
          QWidget* w = widgetOf(Deref(a[0]));
          if (!w) return ecNotSupported;
          QTimer::singleShot(0, w, [w] { QTest::mouseClick(w, Qt::LeftButton); });
          return 0;
        },
        "procedure ClickLater(c: TControl)");
    en.RegisterFunction(
        [widgetOf](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> a) -> std::uint16_t {
          QWidget* w = widgetOf(Deref(a[0]));
          if (!w) return ecNotSupported;
          QTest::keyClick(w, static_cast<char>(Deref(a[1]).i));
          return 0;
        },
        "procedure Press(c: TControl; k: Char)");
    return 0;
  });
  e.LoadScript(script);
  if (e.ErrorCode() == 0) e.RunMain();
  r.code = e.ErrorCode();
  r.text = e.ErrorText();
  e.ClearScript();
  return r;
}

constexpr const char* kForm = R"(
var f: TForm; b: TBUTTON; ed: TEDIT; m: TMEMO; l: TLABEL; c: TCHECKBOX; n, tries: Integer;
procedure Clicked(Sender: TObject);
begin
  n := n + 1;
  Writeln('click ' + (Sender as TBUTTON).Caption + ' ' + IntToStr(n));
end;
procedure Upper(Sender: TObject; var Key: Char);
begin
  if Key = 'x' then Key := #0 else if (Key >= 'a') and (Key <= 'z') then Key := Chr(Ord(Key) - 32);
end;
procedure Watch(Sender: TObject; var Key: Char);
begin
  Writeln('key ' + Key);
end;
procedure Changed(Sender: TObject);
begin
  Writeln('change ' + (Sender as TEDIT).Text);
end;
procedure Query(Sender: TObject; var CanClose: Boolean);
begin
  tries := tries + 1;
  if tries = 1 then CanClose := False;
end;
procedure Nothing(Sender: TObject; var CanClose: Boolean);
begin
end;
procedure Fails(Sender: TObject);
begin
  n := 1 div (n - n);
end;
begin
  f := TForm.Create;
  f.SetBounds(0, 0, 400, 300);
  b := TBUTTON.Create(f);
  b.Caption := 'OK';
  b.SetBounds(10, 10, 80, 30);
  ed := TEDIT.Create(f);
  ed.SetBounds(10, 50, 200, 24);
  m := TMEMO.Create(f);
  m.SetBounds(10, 80, 200, 100);
  l := TLABEL.Create(f);
  c := TCHECKBOX.Create(f);
  f.Visible := True;
)";

TEST(ScriptWindows, AButtonClickRunsTheScriptProcedure) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(host, std::string(kForm) +
                                     "b.OnClick := @Clicked; Click(b); Click(b); b.OnClick := nil; Click(b);"
                                     "if n = 2 then Writeln('twice'); end.");
  EXPECT_EQ(r.code, 0) << ErrorMessage(r.code, r.text);
  EXPECT_EQ(r.out, "click OK 1\nclick OK 2\ntwice\n");
}

TEST(ScriptWindows, KeyPressesStartWithTheKeyAndMayChangeOrSwallowIt) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(host, std::string(kForm) +
                                     "ed.OnKeyPress := @Upper; Press(ed, 'a'); Press(ed, 'x'); Press(ed, '1');"
                                     "m.OnKeyPress := @Watch; Press(m, 'q'); Press(m, 'r');"
                                     "Writeln(ed.Text + ' ' + m.Text); end.");
  EXPECT_EQ(r.code, 0) << ErrorMessage(r.code, r.text);
  EXPECT_EQ(r.out, "key q\nkey r\nA1 qr\n");
}

TEST(ScriptWindows, ChangeEventsAndProperties) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(
      host, std::string(kForm) +
                "ed.OnChange := @Changed; ed.Text := '\x93\xFA\x96\x7B'; f.Caption := 'T'; l.Caption := 'L';"
                "c.Checked := True; ed.ReadOnly := True; b.Default := True; f.BorderStyle := bsDialog;"
                "f.Color := $0000FF; b.FontStyle := fsBold + fsItalic; b.Left := 20;"
                "if c.Checked and ed.ReadOnly and b.Default and not b.Cancel and (f.BorderStyle = bsDialog) then Writeln('flags');"
                "Writeln(f.Caption + l.Caption + ' ' + IntToStr(f.Color) + ' ' + IntToStr(b.FontStyle) + ' ' + IntToStr(b.Left) + ' ' + IntToStr(b.Width));"
                "if b.Parent = f then Writeln('parent'); end.");
  EXPECT_EQ(r.code, 0) << ErrorMessage(r.code, r.text);
  EXPECT_EQ(r.out, "change \x93\xFA\x96\x7B\nflags\nTL 255 3 20 80\nparent\n");
}

TEST(ScriptWindows, TheFormClosesThroughTheCloseQuery) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(host, std::string(kForm) +
                                     "f.OnCloseQuery := @Query; f.Close; ProcessMessages; if f.Visible then Writeln('kept');"
                                     "f.Close; ProcessMessages; if not f.Visible then Writeln('closed');"
                                     "f.Visible := True; f.OnCloseQuery := @Nothing; f.Close; if not f.Visible then Writeln('closed again');"
                                     "end.");
  EXPECT_EQ(r.code, 0) << ErrorMessage(r.code, r.text);
  EXPECT_EQ(r.out, "kept\nclosed\nclosed again\n");
}

TEST(ScriptWindows, AnErrorInAnEventStopsTheRunAtProcessMessages) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(host, std::string(kForm) +
                                     "b.OnClick := @Fails; ClickLater(b); Writeln('after click'); ProcessMessages; Writeln('not reached'); end.");
  EXPECT_EQ(r.code, ecDivideByZero);
  EXPECT_EQ(r.out, "after click\n");
}

TEST(ScriptWindows, WindowsAreRefusedWithoutTheLibrarysMark) {
  TQtScriptWindowHost host;
  const Outcome r = RunWindows(host, std::string(kForm) +
                                     "b.Free; try b.Caption := 'x'; except Writeln('freed button'); end;"
                                     "try b := TBUTTON.Create(ed); except Writeln('not a container'); end;"
                                     "try f.SetActiveControl(l); except Writeln('label takes no focus'); end;"
                                     "f.SetActiveControl(ed); Writeln('focus'); b := TBUTTON.Create(b); end.");
  EXPECT_EQ(r.code, ecTypeMismatch);  // a parent without a window
  EXPECT_EQ(r.out, "freed button\nnot a container\nlabel takes no focus\nfocus\n");
}

TEST(ScriptWindows, ClearScriptReleasesTheWindowsAndNoEventReachesAFinishedEngine) {
  App();
  const int before = QApplication::allWidgets().size();
  TQtScriptWindowHost host;
  {
    Outcome r;
    TIfPasScript e;
    e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
      RegisterSystemLibrary(en, &host);
      en.RegisterFunction(
          [&r](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> a) -> std::uint16_t {
            r.out += ReadString(Deref(a[0])) + "\n";
            return 0;
          },
          "procedure Writeln(s: string)");
      return 0;
    });
    e.LoadScript(std::string(kForm) + "b.OnClick := @Clicked; f.Free; end.");
    e.RunMain();
    ASSERT_EQ(e.ErrorCode(), 0) << ErrorMessage(e.ErrorCode(), e.ErrorText());
    // The form is gone; its controls live on until ClearScript.
    QPushButton* button = nullptr;
    for (QWidget* w : QApplication::allWidgets())
      if (auto* pb = qobject_cast<QPushButton*>(w); pb && pb->text() == "OK") button = pb;
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);  // the run is over: no script code runs
    EXPECT_EQ(r.out, "");
    e.ClearScript();
  }
  EXPECT_EQ(QApplication::allWidgets().size(), before);
}

}  // namespace
}  // namespace tamber::script

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
