// What the frame's offscreen tests share: whole-file reads and writes,
// prompts that answer every question "no" and count the beeps, and putting a
// test's own prompts on a frame.
#pragma once

#include <QString>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/shell_prompts.h"
#include "app/tamber_form.h"

namespace tamber::test {

inline std::string Read(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Write(const QString& path, const std::string& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << bytes;
}

struct QuietPrompts : TShellPrompts {
  int beeps = 0;
  void Information(const QString&) override {}
  void Error(const QString&) override {}
  void CommandFailed(const QString&) override {}
  TAnswer AskYesNoCancel(const QString&) override { return TAnswer::No; }
  TAnswer AskOkCancel(const QString&) override { return TAnswer::Cancel; }
  void Beep() override { ++beeps; }
  bool RunFileDialog(TFileDialogRequest&) override { return false; }
};

// Gives form a new P to answer its questions; the test keeps the pointer to
// script and count the answers (the form owns it).
template <class P>
P* InstallPrompts(TTamberForm& form) {
  auto p = std::make_unique<P>();
  P* raw = p.get();
  form.SetPrompts(std::move(p));
  return raw;
}

}  // namespace tamber::test
