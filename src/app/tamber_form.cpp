#include "app/tamber_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/command_line.h"
#include "app/document_file.h"
#include "app/editor_settings.h"
#include "app/file_viewer.h"
#include "app/macro_commands.h"
#include "app/mdi_child.h"
#include "app/jpeg_image.h"
#include "app/mdi_tab.h"
#include "app/mdi_wall.h"
#include "app/mru_files.h"
#include "app/option_dialog.h"
#include "app/text_commands.h"
#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "settings/settings_home.h"
#include "settings/settings_schema.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

struct PanelLayout {
  int width;
  Qt::Alignment alignment;
};
constexpr PanelLayout kPanels[TTamberForm::kStatusPanelCount] = {
    {120, Qt::AlignCenter}, {50, Qt::AlignCenter}, {50, Qt::AlignCenter},
    {50, Qt::AlignCenter},  {50, Qt::AlignLeft | Qt::AlignVCenter},
};

QString U(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Paths are UTF-8 in the program and CP932 in the settings file; a path that
// CP932 cannot hold is not stored rather than stored mangled.
bool ToSettingsPath(const QString& path, std::string* out) {
  std::size_t lost = 0;
  *out = Utf8ToCp932(path.toStdString(), &lost);
  return lost == 0;
}
QString FromSettingsPath(const std::string& s) { return QString::fromStdString(Cp932ToUtf8(s)); }

// The Qt name filters of a "|"-separated CP932 filter.
QString QtFilters(const std::string& filter) {
  QStringList out;
  for (const TFilterPair& p : SplitFileFilter(filter)) {
    QString patterns = QString::fromStdString(Cp932ToUtf8(p.Pattern));
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << QString::fromStdString(Cp932ToUtf8(p.Description)) + QStringLiteral(" (") + patterns +
               QStringLiteral(")");
  }
  return out.join(QStringLiteral(";;"));
}

QString Describe(const std::exception& e) {
  if (const auto* s = dynamic_cast<const std::system_error*>(&e)) {
    const QString what = QString::fromLocal8Bit(s->what());
    return what.isEmpty() ? QString::fromLocal8Bit(s->code().message().c_str()) : what;
  }
  return QString::fromLocal8Bit(e.what());
}

// Shows the wait cursor while alive.
struct WaitCursor {
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

const char* const kBinaryMessage =
    "このファイルはバイナリの可能性がありますので、表示できない文字を空白で置き換えます。\r\n"
    "またバイナリファイルは編集及び保存も出来ません。";
const char* const kReadOnlyMessage =
    "このファイルは書き込み禁止属性が付いています。\r\n"
    "編集が必要な場合は、いったん書き込み禁止属性を解除して下さい。";

}  // namespace

int FilterIndexFor(std::string_view filter, std::string_view ext) {
  if (ext.empty()) return 1;
  const std::string f = Upper(filter);
  const auto at = f.find(Upper(ext));
  if (at == std::string::npos) return 1;
  const auto bars = static_cast<int>(std::count(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(at), '|'));
  return (bars + 1) / 2 + 1;
}

TTamberForm::TTamberForm(QWidget* parent)
    : QMainWindow(parent), prompts_(std::make_unique<TWidgetPrompts>(this)) {
  setObjectName("TTamberForm");
  setWindowTitle(QString::fromUtf8(kMainWindowCaption));
  area_ = new QMdiArea(this);
  area_->setObjectName("MDIArea");
  setCentralWidget(area_);
  // Active and tiled with the built-in picture until the settings say otherwise.
  wall_ = new TMDIWall(area_);
  wall_->SetBitmap(BuiltInWallpaper());
  auto* tabPanel = new QToolBar(QStringLiteral("MDITabPanel"), this);
  tabPanel->setObjectName("MDITabPanel");
  tabPanel->setMovable(false);
  tabPanel->setFloatable(false);
  tabPanel->toggleViewAction()->setEnabled(false);
  tabPanel->hide();
  tabs_ = new TMDITab(area_, tabPanel);
  tabPanel->addWidget(tabs_);
  tabs_->Wanted = [this] { return settings_.TaskBar; };
  tabs_->CanChange = [this] { return !scriptRunning_; };
  tabs_->Refused = [this] { prompts_->Beep(); };
  connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (auto* doc = qobject_cast<TMDIChild*>(w)) {
      // The activated document takes the keyboard in the pane that had it.
      if (!doc->isAncestorOf(QApplication::focusWidget())) doc->Edit().setFocus();
      doc->UpdateStatus();
    }
    UpdateCommands();
  });

  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < kStatusPanelCount; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QString("StatusPanel%1").arg(i));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(kPanels[i].alignment);
    // The last panel takes what is left of the bar; the others keep their width.
    if (i + 1 < kStatusPanelCount)
      label->setFixedWidth(kPanels[i].width);
    else
      label->setMinimumWidth(kPanels[i].width);
    bar->addWidget(label, i + 1 < kStatusPanelCount ? 0 : 1);
    panels_[static_cast<std::size_t>(i)] = label;
  }

  // The template editor is never shown; documents copy its look.
  defEdit_ = new TTextEditorFx(this);
  defEdit_->setObjectName("DefEdit");
  defEdit_->hide();
  ApplyViewerLook(*defEdit_);

  mru_ = new TMRUFiles(this);
  mru_->ToDisplay = [](const std::string& s) { return FromSettingsPath(s); };
  mru_->OnClick = [this](const std::string& path) { RunGuarded([&] { RecentFileClicked(path); }); };
  ReadSettings();
  macros_ = new TMacroCommands(*this);
  BuildCommands();
  BindHandlers();
  BuildMenus();
  optionDlg_ = new TOptionDlg(*this);
  qApp->installEventFilter(this);
  // The tab strip's panel below the toolbar.
  addToolBarBreak();
  addToolBar(Qt::TopToolBarArea, static_cast<QToolBar*>(tabs_->parentWidget()));
  tabs_->UpdateVisibility();
  // The recent files follow the separator after the print command.
  for (QAction* top : menuBar()->actions()) {
    QMenu* m = top->menu();
    const QList<QAction*> items = m ? m->actions() : QList<QAction*>();
    const auto at = items.indexOf(Action("AcPrint"));
    if (at >= 0 && at + 1 < items.size()) mru_->SetMenuItem(items[at + 1]);
  }
  setAcceptDrops(true);

  // Enabling follows the state whenever the event loop has nothing else to do.
  idle_.setInterval(100);
  connect(&idle_, &QTimer::timeout, this, &TTamberForm::UpdateCommands);
  idle_.start();
  UpdateCommands();
  SetStatusText(2, QString::fromUtf8("挿入"));
}

TTamberForm::~TTamberForm() {
  qApp->removeEventFilter(this);
  // The documents go first: they refer to the form.
  for (TMDIChild* d : Documents()) delete d;
  // The recorder follows the focus through the frame's documents: it goes
  // before the rest of the frame does.
  delete macros_;
  macros_ = nullptr;
}

QString TTamberForm::ProgramDir() {
  QString dir = QCoreApplication::applicationDirPath();
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}

void TTamberForm::ReadSettings() {
  const std::string programDir = ProgramDir().toStdString();
  settingsHome_ = SettingsHome(programDir);
  try {
    SeedSettingsHome(settingsHome_, ShippedDataDir(programDir));
  } catch (const std::exception&) {
    // Without a home the defaults serve and nothing is written.
  }
  regManager_.SetIniFileName(SettingsFilePath(settingsHome_));
  DeclareSettingsItems(regManager_.RegItems());
  ReadAllSettings(regManager_, settingsHome_, settings_);
  mru_->Load(regManager_.IniFileName(), "History");
  ApplyTemplateSettings(*defEdit_, settings_);
  // The file dialogs start in the last folder or in the one the options name.
  openFolder_ = FromSettingsPath(settings_.LastFolda ? settings_.LastAccessFolda : settings_.DefFolda);
  if (openFolder_.isEmpty()) openFolder_ = FromSettingsPath(settings_.DefFolda);

  if (settings_.MaxMainWindow) {
    setWindowState(Qt::WindowMaximized);
  } else if (settings_.Width > 0 && settings_.Height > 0) {
    QRect r(settings_.Left, settings_.Top, settings_.Width, settings_.Height);
    // A placement from another screen layout is brought back into view.
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect avail = s->availableGeometry();
      if (!avail.intersects(r)) r.moveTopLeft(avail.topLeft());
    }
    setGeometry(r);
  }
}

void TTamberForm::RereadSettings() {
  TSettings read;
  ReadAllSettings(regManager_, settingsHome_, read);
  settings_ = std::move(read);
}

void TTamberForm::ApplySettings() {
  ApplyTemplateSettings(*defEdit_, settings_);
  for (TMDIChild* d : Documents()) d->ApplyOptions();
  tabs_->UpdateVisibility();
  hintsShown_ = settings_.ShowHint;
  UpdateCommands();
}

bool TTamberForm::eventFilter(QObject* watched, QEvent* e) {
  // The options can switch every tooltip of the program off.
  if (!hintsShown_ && e->type() == QEvent::ToolTip) return true;
  return QMainWindow::eventFilter(watched, e);
}

void TTamberForm::ApplyWallpaper() {
  const std::string& setting = settings_.WallPaper;
  const QString path = FromSettingsPath(setting);
  switch (ChooseWallpaper(setting, !path.isEmpty() && QFileInfo(path).isFile())) {
    case TWallpaperChoice::wcNone:
      wall_->SetActive(false);
      return;
    case TWallpaperChoice::wcBuiltIn:
      wall_->SetBitmap(BuiltInWallpaper());
      break;
    case TWallpaperChoice::wcFile: {
      const QString ext = QFileInfo(path).suffix().toLower();
      QImage image;
      QString why;
      if (ext == QLatin1String("bmp")) {
        image.load(path, "BMP");
        if (image.isNull()) why = QString::fromUtf8("ビットマップとして読めません。");
      } else if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) {
        image = ReadJpegFile(path, &why);
      } else {
        break;  // not a picture this reads: what was shown stays
      }
      if (image.isNull())
        prompts_->Error(QString::fromUtf8("壁紙の画像を読み込めませんでした。前の壁紙のままにします。\r\n%1\r\n%2")
                            .arg(path, why));
      else
        wall_->SetBitmap(image);
      break;
    }
  }
  wall_->SetTileMode(settings_.WallTile ? TTileMode::tmTile : TTileMode::tmCenter);
  wall_->SetActive(true);
}

void TTamberForm::WriteExitState() {
  try {
    mru_->Save(regManager_.IniFileName(), "History");
    TSettings s = settings_;
    std::string folder;
    if (ToSettingsPath(openFolder_, &folder)) s.LastAccessFolda = folder;
    const QRect g = geometry();
    s.Left = g.x();
    s.Top = g.y();
    s.Width = g.width();
    s.Height = g.height();
    WriteExitSettings(regManager_, s, isMaximized());
  } catch (const std::exception& e) {
    prompts_->Error(Describe(e));
  }
}

void TTamberForm::SetStatusText(int panel, const QString& text) {
  if (panel < 0 || panel >= kStatusPanelCount) return;
  panels_[static_cast<std::size_t>(panel)]->setText(text);
}

QString TTamberForm::StatusText(int panel) const {
  if (panel < 0 || panel >= kStatusPanelCount) return {};
  return panels_[static_cast<std::size_t>(panel)]->text();
}

// ---- commands ----

void TTamberForm::BuildCommands() {
  for (const TCommandDef& c : CommandTable()) {
    auto* a = new QAction(U(c.caption), this);
    a->setObjectName(U(c.name));
    if (!c.shortcut.empty()) a->setShortcut(QKeySequence(U(c.shortcut), QKeySequence::PortableText));
    if (!c.hint.empty()) a->setToolTip(U(ShortHint(c.hint)));
    const std::string name(c.name);
    connect(a, &QAction::triggered, this, [this, a, name] {
      // A checkable item has flipped its mark before this runs; the command
      // sets the mark itself, as it does when run by name.
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      Run(name);
    });
    addAction(a);  // shortcuts work without a menu item (AcFindPrev)
    actions_.emplace(name, a);
  }
  Action("AcMaxWindow")->setCheckable(true);
  Action("AcMaxWindow")->setChecked(settings_.MaxChildWindow);
  Action("AcEditSplit")->setCheckable(true);
  Action("OverWrite")->setCheckable(true);
  Action("AcWordWarp")->setCheckable(true);
  Action("AcAlphaBlend")->setCheckable(true);
}

void TTamberForm::BuildMenus() {
  for (const TMenuDef& m : MainMenu()) {
    QMenu* menu = menuBar()->addMenu(U(m.caption));
    std::vector<QMenu*> stack{menu};
    for (std::string_view item : m.items) {
      QMenu* into = stack.back();
      if (item == "-") {
        into->addSeparator();
      } else if (item.front() == '>') {
        QMenu* sub = into->addMenu(U(item.substr(1)));
        stack.push_back(sub);
        // The macro files of the quick start are listed afresh each time it opens.
        if (item == ">クイック起動(&Q)") {
          sub->setObjectName("MacroQuickItem");
          connect(sub, &QMenu::aboutToShow, this, [this, sub] { macros_->FillQuickStartMenu(*sub); });
          macros_->FillQuickStartMenu(*sub);
        }
      } else if (item == "<") {
        stack.pop_back();
      } else if (item.front() == '=') {
        into->addAction(U(item.substr(1)))->setEnabled(false);
      } else if (QAction* a = Action(item)) {
        into->addAction(a);
      }
    }
    if (m.caption == "ウィンドウ(&W)") windowMenu_ = menu;
  }
  // The window menu lists the open documents after its commands.
  connect(windowMenu_, &QMenu::aboutToShow, this, [this] {
    for (QAction* a : windowMenu_->actions())
      if (a->property("document").toBool()) windowMenu_->removeAction(a), a->deleteLater();
    const auto docs = Documents();
    if (!docs.empty()) {
      QAction* sep = windowMenu_->addSeparator();
      sep->setProperty("document", true);
    }
    int n = 0;
    for (TMDIChild* d : docs) {
      QAction* a = windowMenu_->addAction(QStringLiteral("&%1 ").arg(++n) + d->Caption());
      a->setProperty("document", true);
      a->setCheckable(true);
      a->setChecked(d == ActiveDocument());
      connect(a, &QAction::triggered, this, [this, d] {
        if (!scriptRunning_) area_->setActiveSubWindow(d);
      });
    }
  });

  QToolBar* tools = addToolBar(QStringLiteral("ToolBar1"));
  tools->setObjectName("ToolBar1");
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (std::string_view item : ToolBarItems()) {
    if (item == "-") {
      tools->addSeparator();
    } else if (item == "=ScriptMenu") {
      auto* b = new QToolButton(tools);
      b->setText(QStringLiteral("▼"));
      b->setToolTip(QString::fromUtf8("登録スクリプト"));
      b->setEnabled(false);  // the registered scripts come with the script window
      tools->addWidget(b);
    } else if (QAction* a = Action(item)) {
      tools->addAction(a);
    }
  }
}

void TTamberForm::Bind(std::string_view name, std::function<void()> handler) {
  handlers_[std::string(name)] = std::move(handler);
}

void TTamberForm::BindHandlers() {
  auto onDoc = [this](void (*f)(TTamberForm&, TMDIChild&)) {
    return [this, f] {
      if (TMDIChild* d = ActiveDocument()) f(*this, *d);
    };
  };
  Bind("AcFileNew", [this] { FileNew(); });
  Bind("AcFileOpen", [this] { FileOpen(); });
  Bind("AcFileInsert", [this] { FileInsert(); });
  Bind("AcFileClose", [this] {
    if (TMDIChild* d = ActiveDocument()) d->close();
  });
  Bind("AcAllClose", [this] { FileCloseAll(); });
  Bind("AcFileSave", onDoc([](TTamberForm& f, TMDIChild& d) { f.Save(d); }));
  Bind("AcFileSaveAll", [this] { FileSaveAll(); });
  Bind("AcFileSaveAs", onDoc([](TTamberForm& f, TMDIChild& d) { f.SaveAs(d); }));
  Bind("AcFileSJIS", [this] { FileSJIS(); });
  Bind("AcFileExit", [this] { close(); });
  Bind("EditUndo", onDoc([](TTamberForm&, TMDIChild& d) { d.Edit().Editor().Undo(); }));
  Bind("EditRedo", onDoc([](TTamberForm&, TMDIChild& d) { d.Edit().Editor().Redo(); }));
  auto onSearch = [this](void (TSearchCommands::*command)(TTextEditorFx&)) {
    return [this, command] {
      if (TMDIChild* d = ActiveDocument()) {
        if (!search_) search_ = std::make_unique<TSearchCommands>(this, &regManager_);
        (search_.get()->*command)(d->FocusedPane());
      }
    };
  };
  Bind("AcFind", onSearch(&TSearchCommands::AcFind));
  Bind("AcReplace", onSearch(&TSearchCommands::AcReplace));
  Bind("AcFindNext", onSearch(&TSearchCommands::AcFindNext));
  Bind("AcFindPrev", onSearch(&TSearchCommands::AcFindPrev));
  Bind("AcSelectAll", onDoc([](TTamberForm&, TMDIChild& d) { d.FocusedPane().Editor().SelectAll(); }));
  Bind("EditCut", onDoc([](TTamberForm&, TMDIChild& d) { d.FocusedPane().Editor().CutToClipboard(); }));
  Bind("EditCopy", onDoc([](TTamberForm&, TMDIChild& d) { d.FocusedPane().Editor().CopyToClipboard(); }));
  Bind("EditPaste", onDoc([](TTamberForm&, TMDIChild& d) { d.FocusedPane().Editor().PasteFromClipboard(); }));
  Bind("AcEditSplit", onDoc([](TTamberForm&, TMDIChild& d) { d.SplitView() ? d.Unsplit() : d.Split(); }));
  Bind("AcMaxWindow", [this] {
    QAction* mark = Action("AcMaxWindow");
    const bool on = !mark->isChecked();
    // The area maximises the documents activated after this one too.
    if (on) {
      if (TMDIChild* d = ActiveDocument()) d->showMaximized();
    } else {
      for (TMDIChild* d : Documents())
        if (d->isMaximized()) d->showNormal();
    }
    mark->setChecked(on);
  });
  Bind("OverWrite", onDoc([](TTamberForm& f, TMDIChild& d) {
    TTextEditor& e = d.Edit().Editor();
    e.SetOverWrite(!e.OverWrite());
    if (TTextEditorFx* s = d.SplitEdit()) s->Editor().SetOverWrite(e.OverWrite());
    f.SetStatusText(2, QString::fromUtf8(e.OverWrite() ? "上書き" : "挿入"));
  }));
  Bind("HelpAbout", [this] { ShowAbout(); });
  Bind("AcSetUp", [this] { optionDlg_->Execute(); });
  Bind("AcMacroRec", [this] { macros_->Record(); });
  Bind("AcMacroRecStop", [this] { macros_->Stop(); });
  Bind("AcMacroPlay", [this] { macros_->Play(); });
  Bind("MacroSaveItem", [this] { macros_->Save(); });
  Bind("MacroLoadItem", [this] { macros_->Load(); });
  BindWindowCommands(*this, [this](std::string_view n, std::function<void()> h) { Bind(n, std::move(h)); });
  BindTextCommands(*this, [this](std::string_view n, std::function<void()> h) { Bind(n, std::move(h)); });
}

QAction* TTamberForm::Action(std::string_view name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

bool TTamberForm::RunGuarded(const std::function<void()>& body) {
  // The general error handler: whatever escapes a command is shown and the
  // program goes on.
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    prompts_->CommandFailed(Describe(e));
  }
  return false;
}

void TTamberForm::Run(std::string_view name) {
  const auto it = handlers_.find(name);
  if (it == handlers_.end()) return;
  const TCommandDef* def = FindCommand(name);
  if (def && !RuleAllows(def->rule, CommandState())) return;
  RunGuarded(it->second);
  UpdateCommands();
}

TCommandState TTamberForm::CommandState() const {
  TCommandState s;
  s.documents = static_cast<int>(Documents().size());
  s.scriptRunning = scriptRunning_;
  if (const TMDIChild* d = ActiveDocument()) {
    s.readOnly = d->ReadOnly();
    s.modified = d->Modified();
    s.selected = d->FocusedPane().Editor().Selected();
    s.caption = d->Caption().toStdString();
    // A document that cannot hold its file's text may still be saved under
    // another name, after a warning.
    s.saveAsAllowed = !s.readOnly || d->Lossy();
  }
  return s;
}

void TTamberForm::UpdateCommands() {
  const TCommandState s = CommandState();
  for (const TCommandDef& c : CommandTable()) {
    QAction* a = Action(c.name);
    // Commands whose feature is not here yet stay disabled.
    a->setEnabled(handlers_.count(c.name) > 0 && RuleAllows(c.rule, s));
  }
  if (const TMDIChild* d = ActiveDocument()) {
    Action("AcEditSplit")->setChecked(d->SplitView());
    Action("AcWordWarp")->setChecked(d->Edit().Editor().Text().WordWrap());
    Action("OverWrite")->setChecked(d->Edit().Editor().OverWrite());
  }
}

// ---- documents ----

std::vector<TMDIChild*> TTamberForm::Documents() const {
  std::vector<TMDIChild*> docs;
  for (QMdiSubWindow* w : area_->subWindowList(QMdiArea::CreationOrder))
    if (auto* d = qobject_cast<TMDIChild*>(w)) docs.push_back(d);
  return docs;
}

TMDIChild* TTamberForm::ActiveDocument() const {
  if (auto* d = qobject_cast<TMDIChild*>(area_->activeSubWindow())) return d;
  // Without a focused frame (tests, start-up) the document made last counts.
  const auto docs = area_->subWindowList(QMdiArea::ActivationHistoryOrder);
  return docs.isEmpty() ? nullptr : qobject_cast<TMDIChild*>(docs.back());
}

TMDIChild* TTamberForm::CreateDocument(const QString& name) {
  currentExt_ = Upper(FileExtension(name.toStdString()));
  auto* doc = new TMDIChild(*this, name);
  area_->addSubWindow(doc);
  // A document maximised or restored by its own buttons moves the mark of
  // AcMaxWindow with it; minimising leaves the mark alone.
  connect(doc, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates was, Qt::WindowStates now) {
    const bool max = now.testFlag(Qt::WindowMaximized);
    if (!now.testFlag(Qt::WindowMinimized) && max != was.testFlag(Qt::WindowMaximized))
      Action("AcMaxWindow")->setChecked(max);
  });
  // Configured now even while the frame is hidden, so the document is ready
  // for its load.
  doc->Configure();
  if (Action("AcMaxWindow")->isChecked())
    doc->showMaximized();
  else
    doc->show();
  area_->setActiveSubWindow(doc);
  return doc;
}

bool TTamberForm::LoadIntoActiveDocument(const QString& path) {
  TMDIChild* doc = ActiveDocument();
  if (!doc) return false;
  TLoadedFile loaded;
  {
    WaitCursor wait;
    try {
      loaded = LoadDocumentFile(doc->Edit().Editor(), path.toStdString(), settings_.KanjiAuto);
    } catch (const std::exception& e) {
      prompts_->Error(Describe(e));
      return false;
    }
  }
  doc->Loaded(loaded);
  if (loaded.binary) prompts_->Information(QString::fromUtf8(kBinaryMessage));
  else if (loaded.fileReadOnly) prompts_->Information(QString::fromUtf8(kReadOnlyMessage));
  if (loaded.lost > 0)
    prompts_->Information(
        QString::fromUtf8("このファイルにはシフトＪＩＳで表せない文字が %1 文字あります。\r\n"
                          "書き込み禁止で開きます。保存すると失われるため、元のファイルには保存できません。")
            .arg(loaded.lost));
  doc->UpdateStatus();
  return true;
}

void TTamberForm::OpenNewDocument(const QString& path, bool addRecent) {
  TMDIChild* doc = CreateDocument(path);
  if (!LoadIntoActiveDocument(path)) {
    // Nothing is left on the path of a file that could not be read.
    delete doc;
    UpdateCommands();
    return;
  }
  openFolder_ = QFileInfo(path).absolutePath();
  doc->Edit().setFocus();
  if (addRecent) AddRecentFile(path);
}

bool TTamberForm::OpenOrActivate(const QString& path) {
  for (TMDIChild* d : Documents()) {
    if (d->Caption() == path) {
      area_->setActiveSubWindow(d);
      d->Edit().setFocus();
      prompts_->Beep();
      return true;
    }
  }
  if (!QFileInfo::exists(path)) return false;
  const auto before = Documents().size();
  OpenNewDocument(path, true);
  return Documents().size() > before;
}

void TTamberForm::AddRecentFile(const QString& path) {
  std::string stored;
  if (!ToSettingsPath(path, &stored)) return;
  mru_->Add(stored);
}

const std::vector<std::string>& TTamberForm::RecentFiles() const { return mru_->Entries(); }

void TTamberForm::RecentFileClicked(const std::string& stored) {
  const QString path = FromSettingsPath(stored);
  for (TMDIChild* d : Documents()) {
    if (d->Caption() == path) {
      area_->setActiveSubWindow(d);
      d->Edit().setFocus();
      return;
    }
  }
  if (QFileInfo(path).isFile()) OpenNewDocument(path, false);
  else prompts_->Beep();
}

void TTamberForm::closeEvent(QCloseEvent* e) {
  // Every document asks about its changes; one that refuses keeps the program running.
  for (TMDIChild* d : Documents()) {
    if (!d->close()) {
      e->ignore();
      return;
    }
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  WriteExitState();
  e->accept();
}

void TTamberForm::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TTamberForm::dropEvent(QDropEvent* e) {
  for (const QUrl& url : e->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    bool open = false;
    for (TMDIChild* d : Documents()) {
      if (d->Caption() == path) {
        area_->setActiveSubWindow(d);
        open = true;
        break;
      }
    }
    if (!open && QFileInfo::exists(path)) OpenNewDocument(path, true);
  }
  e->acceptProposedAction();
}

// ---- file commands ----

void TTamberForm::FileNew() {
  TMDIChild* doc = CreateDocument(QStringLiteral("NONAME%1.TXT").arg(Documents().size() + 1));
  doc->SetUntitled(true);
  doc->UpdateStatus();
}

TFileDialogRequest TTamberForm::OpenRequest() const {
  TFileDialogRequest r;
  r.folder = openFolder_;
  r.filter = QtFilters(settings_.FileFilter());
  return r;
}

void TTamberForm::FileOpen() {
  TFileDialogRequest r = OpenRequest();
  if (!prompts_->RunFileDialog(r)) return;
  OpenOrActivate(QFileInfo(r.path).absoluteFilePath());
}

void TTamberForm::FileInsert() {
  TMDIChild* doc = ActiveDocument();
  if (!doc) return;
  TFileDialogRequest r = OpenRequest();
  if (!prompts_->RunFileDialog(r)) return;
  const QString path = QFileInfo(r.path).absoluteFilePath();
  if (QFileInfo::exists(path)) {
    TTextEditor& e = doc->Edit().Editor();
    if (e.ReadOnly()) {
      prompts_->Beep();
      return;
    }
    const std::string bytes = ReadWholeFile(path.toStdString());
    if (ProbeBytes(std::string_view(bytes).substr(0, kProbeLength)) == pfBinary) {
      prompts_->Error(QString::fromUtf8("バイナリバイナリファイルは挿入出来ません。"));
      return;
    }
    std::string text = NormalizeBreaks(bytes);
    const int code = DetectCode(text);
    if (code == dcBinary)
      prompts_->Information(
          QString::fromUtf8("このファイルはバイナリの可能性があります。\n\r編集及び保存には、ご注意ください。"));
    else if (code == dcJis || code == dcJisOld || code == dcEuc)
      prompts_->Information(QString::fromUtf8(
          "このファイルにはシフトＪＩＳ以外の漢字が使用されています。\n\r正しく表示するためには、シフトＪＩＳ変換を実行して下さい。"));
    // The file's lines go in before the caret's line; the break after the
    // last of them is the one Insert adds, not an extra blank line.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    {
      WaitCursor wait;
      e.Lines().Insert(e.Text().RowToLine(e.Row()), text);
    }
  }
  AddRecentFile(path);
}

void TTamberForm::WriteTo(TMDIChild& doc, const QString& path) {
  WaitCursor wait;
  WriteDocumentFile(doc.Edit().Editor(), path.toStdString(), doc.Format());
}

bool TTamberForm::Save(TMDIChild& doc) {
  if (doc.Untitled()) return SaveAs(doc);
  // A binary or read-only document is never written to its file.
  if (doc.ReadOnly()) {
    prompts_->Beep();
    return false;
  }
  const bool ok = RunGuarded([&] {
    MakeBackup(doc.Caption().toStdString(), settings_.FileBackUp);
    WriteTo(doc, doc.Caption());
  });
  if (!ok) return false;
  doc.SetModified(false);
  if (&doc == ActiveDocument()) SetStatusText(1, QString());
  return true;
}

bool TTamberForm::SaveAs(TMDIChild& doc) {
  if (doc.ReadOnly() && !doc.Lossy()) {
    prompts_->Beep();
    return false;
  }
  if (doc.Lossy() &&
      prompts_->AskOkCancel(QString::fromUtf8("この文書にはシフトＪＩＳで表せない文字が %1 文字あり、"
                                              "保存するとそれらは失われます。別の名前で保存しますか。")
                                .arg(doc.Lost())) != TAnswer::Ok)
    return false;
  TFileDialogRequest r;
  r.save = true;
  r.title = QString::fromUtf8("名前を付けて保存");
  r.fileName = doc.Caption();
  r.folder = QFileInfo(doc.Caption()).absolutePath();
  const std::string filter = settings_.FileFilter();
  r.filter = QtFilters(filter);
  const std::string ext = FileExtension(doc.Caption().toStdString());
  currentExt_ = ext;
  r.filterIndex = FilterIndexFor(Cp932ToUtf8(filter), ext);
  r.defaultSuffix = QString::fromStdString(ext.empty() ? ext : ext.substr(1));
  r.codeSelect = true;
  if (!prompts_->RunFileDialog(r)) return false;
  const QString f = QFileInfo(r.path).absoluteFilePath();
  if (doc.Lossy() && f == QFileInfo(doc.Caption()).absoluteFilePath()) {
    prompts_->Error(QString::fromUtf8("元のファイルには保存できません。別の名前を指定して下さい。"));
    return false;
  }
  if (QFileInfo::exists(f) &&
      prompts_->AskOkCancel(f + QString::fromUtf8(" 上書きしますか。")) != TAnswer::Ok)
    return false;
  const TextFormat before = doc.Format();
  switch (r.code) {
    case SJIS: doc.SetCode(FileCode::ShiftJis); break;
    case JIS: doc.SetCode(FileCode::Jis); break;
    case EUC: doc.SetCode(FileCode::Euc); break;
    case UTF8: doc.SetCode(FileCode::Utf8); break;
    default: break;
  }
  const bool ok = RunGuarded([&] {
    MakeBackup(f.toStdString(), settings_.FileBackUp);
    WriteTo(doc, f);
  });
  if (!ok) {
    doc.Format() = before;
    return false;
  }
  doc.SetModified(false);
  doc.SetUntitled(false);
  doc.SetCaption(f);
  if (&doc == ActiveDocument()) SetStatusText(1, QString());
  return true;
}

void TTamberForm::FileSaveAll() {
  for (TMDIChild* d : Documents()) {
    // Untitled, read-only and binary documents have no file to write.
    if (d->Untitled() || d->ReadOnly()) continue;
    RunGuarded([&] {
      MakeBackup(d->Caption().toStdString(), settings_.FileBackUp);
      WriteTo(*d, d->Caption());
      d->SetModified(false);
    });
  }
  SetStatusText(1, QString());
}

void TTamberForm::FileCloseAll() {
  const auto docs = Documents();
  for (auto it = docs.rbegin(); it != docs.rend(); ++it) (*it)->close();
  QCoreApplication::processEvents();
}

void TTamberForm::FileSJIS() {
  TMDIChild* doc = ActiveDocument();
  if (!doc) return;
  TTextEditor& e = doc->Edit().Editor();
  if (e.ReadOnly()) {
    prompts_->Beep();
    return;
  }
  if (prompts_->AskOkCancel(QString::fromUtf8("シフトＪＩＳコードに変換しますか。")) != TAnswer::Ok) return;
  const std::string converted = ConvertCode(e.Lines().GetTextStr(), dcSjis);
  e.Lines().SetTextStr(converted);
  e.SetModified(true);
  doc->UpdateStatus();
}

void TTamberForm::ShowAbout() {
  QMessageBox box(this);
  box.setObjectName("AboutBox");
  box.setWindowTitle(QString::fromUtf8("バージョン情報"));
  box.setText(QString::fromUtf8(kApplicationTitle) + QStringLiteral("\n") + VersionText());
  box.setIconPixmap(QApplication::windowIcon().pixmap(48, 48));
  box.exec();
}

}  // namespace tamber
