#include "app/macro_commands.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <exception>
#include <system_error>

#include "app/mdi_child.h"
#include "app/tamber_form.h"
#include "view/ui/key_macro_widget.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

const char* const kTargetName = "KeyMacroTarget";

QString ErrorText(const std::exception& e) {
  if (const auto* s = dynamic_cast<const std::system_error*>(&e)) {
    const QString what = QString::fromLocal8Bit(s->what());
    if (!what.isEmpty()) return what;
    return QString::fromLocal8Bit(s->code().message().c_str());
  }
  return QString::fromLocal8Bit(e.what());
}

}  // namespace

TMacroCommands::TMacroCommands(TTamberForm& form) : QObject(&form), form_(form) {
  macro_.SetName("KeyMacro1");
  // A file that is not a macro must not fail silently.
  macro_.SetShowDialog(true);
  macro_.OnMessage = [this](const std::string& text, bool error) {
    const QString t = QString::fromStdString(text);
    error ? form_.Prompts().Error(t) : form_.Prompts().Information(t);
  };
  macro_.OnChange = [this] { Changed(); };
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (TTextEditorFx* pane = PaneOf(now)) Enter(*pane);
  });
}

TMacroCommands::~TMacroCommands() {
  macro_.OnChange = nullptr;
  macro_.OnMessage = nullptr;
}

QString TMacroCommands::MacroFolder() const {
  return QDir::cleanPath(QString::fromStdString(form_.SettingsHomeDir()) + QStringLiteral("/Macro"));
}

TWidgetKeyMacroTarget& TMacroCommands::TargetOf(TTextEditorFx& pane) {
  for (QObject* c : pane.children())
    if (c->objectName() == QLatin1String(kTargetName))
      if (auto* t = dynamic_cast<TWidgetKeyMacroTarget*>(c)) return *t;
  auto* t = new TWidgetKeyMacroTarget(&pane);
  t->setObjectName(kTargetName);
  return *t;
}

TTextEditorFx* TMacroCommands::PaneOf(QWidget* w) const {
  for (; w; w = w->parentWidget()) {
    if (auto* pane = dynamic_cast<TTextEditorFx*>(w)) return DocumentOf(*pane) ? pane : nullptr;
  }
  return nullptr;
}

TMDIChild* TMacroCommands::DocumentOf(TTextEditorFx& pane) const {
  for (TMDIChild* d : form_.Documents())
    if (&d->Edit() == &pane || d->SplitEdit() == &pane) return d;
  return nullptr;
}

void TMacroCommands::Enter(TTextEditorFx& pane) {
  TWidgetKeyMacroTarget& t = TargetOf(pane);
  if (macro_.Control() == &t) return;
  macro_.SetControl(&t);
}

void TMacroCommands::FollowActiveDocument() {
  TMDIChild* doc = form_.ActiveDocument();
  if (!doc) return;
  // The pane that last had the focus, when it lies in the active document.
  if (auto* t = dynamic_cast<TWidgetKeyMacroTarget*>(macro_.Control())) {
    auto* pane = dynamic_cast<TTextEditorFx*>(t->Widget());
    if (pane && DocumentOf(*pane) == doc) {
      if (!doc->SplitView() || !doc->SplitEdit()->hasFocus() || pane == doc->SplitEdit()) return;
    }
  }
  Enter(doc->FocusedPane());
}

void TMacroCommands::Changed() {
  const TKeyMacroState s = macro_.MacroState();
  const bool wasRecording = lastState_ == kmRecording;
  lastState_ = s;
  if (s == kmRecording) return;
  if (form_.StatusText(kMacroStatusPanel) == QString::fromUtf8(kMacroRecordingText))
    form_.SetStatusText(kMacroStatusPanel, QString());
  // The pane being recorded went (its document was closed) while recording:
  // what was recorded so far goes with it.
  if (wasRecording && s == kmRecorded && !stopping_ && !macro_.Control()) macro_.Clear();
}

void TMacroCommands::Record() {
  const TKeyMacroState s = macro_.MacroState();
  if (s == kmRecording || s == kmPlaying) return;
  macro_.Clear();
  FollowActiveDocument();
  macro_.StartRecording();
  if (macro_.MacroState() != kmRecording) {
    form_.Prompts().Beep();
    return;
  }
  form_.SetStatusText(kMacroStatusPanel, QString::fromUtf8(kMacroRecordingText));
}

void TMacroCommands::Stop() {
  stopping_ = true;
  macro_.StopRecording();
  stopping_ = false;
  form_.SetStatusText(kMacroStatusPanel, QString());
}

void TMacroCommands::Play() {
  if (macro_.MacroState() != kmRecorded || macro_.Entries().empty()) {
    form_.Prompts().Beep();
    return;
  }
  FollowActiveDocument();
  if (!macro_.Control()) {
    form_.Prompts().Beep();
    return;
  }
  macro_.Play();
}

void TMacroCommands::Save() {
  TFileDialogRequest r;
  r.save = true;
  r.title = QString::fromUtf8("マクロの保存");
  r.folder = MacroFolder();
  r.filter = QString::fromUtf8("マクロファイル (*.mac);;すべてのファイル (*)");
  r.defaultSuffix = QStringLiteral("mac");
  if (!form_.Prompts().RunFileDialog(r)) return;
  QString path = QFileInfo(r.path).absoluteFilePath();
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mac");
  try {
    macro_.SaveToFile(path.toStdString());
  } catch (const std::exception& e) {
    form_.Prompts().Error(path + QStringLiteral("\n") + ErrorText(e));
  }
}

void TMacroCommands::Load() {
  TFileDialogRequest r;
  r.title = QString::fromUtf8("マクロの読込み");
  r.folder = MacroFolder();
  r.filter = QString::fromUtf8("マクロファイル (*.mac);;すべてのファイル (*)");
  r.defaultSuffix = QStringLiteral("mac");
  if (!form_.Prompts().RunFileDialog(r)) return;
  const QString path = QFileInfo(r.path).absoluteFilePath();
  if (macro_.MacroState() == kmRecording) Stop();
  try {
    macro_.LoadFromFile(path.toStdString());
  } catch (const std::exception& e) {
    form_.Prompts().Error(path + QStringLiteral("\n") + ErrorText(e));
  }
}

QStringList TMacroCommands::QuickStartFiles() const {
  QDir dir(MacroFolder());
  QStringList out;
  for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
    if (f.suffix().compare(QLatin1String("mac"), Qt::CaseInsensitive) == 0) out << f.fileName();
  return out;
}

void TMacroCommands::QuickStart(const QString& fileName) {
  if (form_.Documents().empty() || form_.ScriptRunning()) {
    form_.Prompts().Beep();
    return;
  }
  const TKeyMacroState s = macro_.MacroState();
  if (s == kmRecording || s == kmPlaying) {
    form_.Prompts().Beep();
    return;
  }
  const QString path = MacroFolder() + QLatin1Char('/') + fileName;
  if (!QFileInfo(path).isFile()) {
    form_.Prompts().Beep();
    return;
  }
  bool loaded = false;
  try {
    loaded = macro_.LoadFromFile(path.toStdString());
  } catch (const std::exception& e) {
    form_.Prompts().Error(path + QStringLiteral("\n") + ErrorText(e));
    return;
  }
  if (!loaded) return;
  FollowActiveDocument();
  macro_.Play();
}

void TMacroCommands::FillQuickStartMenu(QMenu& menu) {
  for (QAction* a : menu.actions()) {
    menu.removeAction(a);
    a->deleteLater();
  }
  for (const QString& name : QuickStartFiles()) {
    QAction* a = menu.addAction(name);
    a->setToolTip(name);
    a->setStatusTip(name);
    connect(a, &QAction::triggered, this, [this, name] { QuickStart(name); });
  }
}

}  // namespace tamber
