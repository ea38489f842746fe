// The pages with a grid: "拡張子" (the file dialogs' filter) and
// "登録スクリプト" (the registered scripts).
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/option_list_pages.h"
#include "app/option_page_text.h"
#include "app/tamber_form.h"

namespace tamber {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(U8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QTableWidget* Grid(QWidget* parent, const char* name, int columns) {
  auto* g = new QTableWidget(0, columns, parent);
  g->setObjectName(QString::fromLatin1(name));
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setSelectionBehavior(QAbstractItemView::SelectRows);
  g->horizontalHeader()->setStretchLastSection(true);
  g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 8);
  return g;
}

// The buttons in a column beside the grid.
QWidget* ButtonColumn(QWidget* parent, std::initializer_list<QPushButton*> buttons) {
  auto* column = new QWidget(parent);
  auto* l = new QVBoxLayout(column);
  l->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* b : buttons) l->addWidget(b);
  l->addStretch();
  return column;
}

// A filter cell's text, or a message naming the cell when the filter cannot hold it.
bool FilterCell(const QTableWidget& grid, int row, int column, std::string* out, QString& message) {
  const QString text = CellText(grid, row, column);
  const QString where = U8("拡張子の %1 行目の%2").arg(row + 1).arg(column == 0 ? U8("フイルタ名") : U8("フイルタ"));
  if (text.contains(QLatin1Char('|')) || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
    message = where + U8("に「|」や改行は使えません。");
    return false;
  }
  if (!ToCp932(text, out)) {
    message = where + U8("にシフトＪＩＳで表せない文字があります。");
    return false;
  }
  return true;
}

}  // namespace

// ---- "拡張子"

TFilterPage::TFilterPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("FilterPage");
  auto* group = new QGroupBox(U8("ファイルダイアログの拡張子"), this);
  StringGrid1 = Grid(group, "StringGrid1", 2);
  StringGrid1->setHorizontalHeaderLabels({U8("フイルタ名"), U8("フイルタ")});
  StringGrid1->setColumnWidth(0, 200);
  AddItem = Button(group, "AddItem", "追加");
  InstItem = Button(group, "InstItem", "挿入");
  DelItem = Button(group, "DelItem", "削除");
  DefOptExt = Button(group, "DefOptExt", "既定値に戻す");
  auto* row = new QHBoxLayout(group);
  row->addWidget(StringGrid1, 1);
  row->addWidget(ButtonColumn(group, {AddItem, InstItem, DelItem, DefOptExt}));
  auto* page = new QVBoxLayout(this);
  page->addWidget(group);

  connect(AddItem, &QPushButton::clicked, this, [this] { AddItemClick(); });
  connect(InstItem, &QPushButton::clicked, this, [this] { InstItemClick(); });
  connect(DelItem, &QPushButton::clicked, this, [this] { DelItemClick(); });
  connect(DefOptExt, &QPushButton::clicked, this, [this] { DefOptExtClick(); });
}

void TFilterPage::ShowFilter(const std::string& filter) {
  const std::vector<TFilterPair> pairs = SplitFileFilter(filter);
  StringGrid1->setRowCount(0);
  StringGrid1->setRowCount(std::max<int>(1, static_cast<int>(pairs.size())));
  for (int r = 0; r < StringGrid1->rowCount(); ++r) {
    const bool has = r < static_cast<int>(pairs.size());
    SetCellText(*StringGrid1, r, 0, has ? FromCp932(pairs[static_cast<std::size_t>(r)].Description) : QString());
    SetCellText(*StringGrid1, r, 1, has ? FromCp932(pairs[static_cast<std::size_t>(r)].Pattern) : QString());
  }
  StringGrid1->setCurrentCell(0, 0);
}

void TFilterPage::Load(const TSettings& s) { ShowFilter(s.FileFilter()); }

void TFilterPage::Showing(const TSettings& s) { ShowFilter(s.FileFilter()); }

bool TFilterPage::Store(TSettings& s, QString& message) {
  std::vector<TFilterPair> pairs;
  for (int r = 0; r < StringGrid1->rowCount(); ++r) {
    TFilterPair p;
    if (!FilterCell(*StringGrid1, r, 0, &p.Description, message)) return false;
    if (p.Description.empty()) break;  // the filter ends at the first row without a name
    if (!FilterCell(*StringGrid1, r, 1, &p.Pattern, message)) return false;
    pairs.push_back(std::move(p));
  }
  s.OptExt = JoinFileFilter(pairs);
  return true;
}

void TFilterPage::AddItemClick() { InsertEmptyRow(*StringGrid1, StringGrid1->rowCount()); }

void TFilterPage::InstItemClick() { InsertEmptyRow(*StringGrid1, std::max(0, StringGrid1->currentRow())); }

void TFilterPage::DelItemClick() { DeleteCurrentRow(*StringGrid1); }

void TFilterPage::DefOptExtClick() {
  if (Form().Prompts().Confirm(U8(kRestoreFilterQuestion), TPromptIcon::Information) != TAnswer::Ok) return;
  const std::string builtIn = BuiltInFileFilter();
  try {
    Form().RegManager().Filer("OptExt").WriteString(builtIn);
  } catch (const std::exception& e) {
    Form().Prompts().Error(QString::fromStdString(e.what()));
    return;
  }
  // The file dialogs take the filter at once, as the settings file has it now.
  Form().Settings().OptExt = builtIn;
  ShowFilter(builtIn);
}

// ---- "登録スクリプト"

TScriptPage::TScriptPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("ScriptPage");
  StringGrid2 = Grid(this, "StringGrid2", 1);
  StringGrid2->horizontalHeader()->hide();
  ComAddBtn = Button(this, "ComAddBtn", "追加");
  ComInstBtn = Button(this, "ComInstBtn", "挿入");
  ComDelBtn = Button(this, "ComDelBtn", "削除");
  ComAltBtn = Button(this, "ComAltBtn", "変更");
  auto* row = new QHBoxLayout(this);
  row->addWidget(StringGrid2, 1);
  row->addWidget(ButtonColumn(this, {ComAddBtn, ComInstBtn, ComDelBtn, ComAltBtn}));

  connect(ComAddBtn, &QPushButton::clicked, this, [this] { AddOrInsert(false); });
  connect(ComInstBtn, &QPushButton::clicked, this, [this] { AddOrInsert(true); });
  connect(ComDelBtn, &QPushButton::clicked, this, [this] { ComDelBtnClick(); });
  connect(ComAltBtn, &QPushButton::clicked, this, [this] { ComAltBtnClick(); });
}

void TScriptPage::Load(const TSettings& s) {
  // A longer list from a hand-edited file is shown whole (nothing is lost on
  // OK); only the buttons stop at the limit.
  const int n = static_cast<int>(s.Command.size());
  StringGrid2->setRowCount(0);
  StringGrid2->setRowCount(std::max(1, n));
  for (int r = 0; r < StringGrid2->rowCount(); ++r)
    SetCellText(*StringGrid2, r, 0, r < n ? FromCp932(s.Command[static_cast<std::size_t>(r)]) : QString());
  StringGrid2->setCurrentCell(0, 0);
}

bool TScriptPage::Store(TSettings& s, QString& message) {
  std::vector<std::string> list;
  for (int r = 0; r < StringGrid2->rowCount(); ++r) {
    const QString name = CellText(*StringGrid2, r, 0);
    if (name.isEmpty()) continue;
    std::string bytes;
    if (!ToCp932(name, &bytes)) {
      message = U8("登録スクリプトの「%1」にはシフトＪＩＳで表せない文字があります。").arg(name);
      return false;
    }
    list.push_back(std::move(bytes));
  }
  s.Command = std::move(list);
  return true;
}

QString TScriptPage::ChooseScript() {
  TFileDialogRequest r;
  r.filter = QtNameFilters("Pascal(*.pas)|*.pas|");
  r.folder = QString::fromStdString(Form().SettingsHomeDir()) + QStringLiteral("/Script");
  if (!Form().Prompts().RunFileDialog(r) || r.path.isEmpty()) return {};
  return QFileInfo(r.path).fileName();
}

void TScriptPage::AddOrInsert(bool insert) {
  if (StringGrid2->rowCount() >= kMaxRegisteredScripts) {
    Form().Prompts().Beep();
    return;
  }
  const QString name = ChooseScript();
  if (name.isEmpty()) return;
  int row;
  if (StringGrid2->rowCount() == 1 && CellText(*StringGrid2, 0, 0).isEmpty()) {
    row = 0;  // the one empty row of an empty list takes the first script
    StringGrid2->setCurrentCell(0, 0);
  } else {
    row = insert ? std::max(0, StringGrid2->currentRow()) : StringGrid2->rowCount();
    InsertEmptyRow(*StringGrid2, row);
  }
  SetCellText(*StringGrid2, row, 0, name);
}

void TScriptPage::ComDelBtnClick() { DeleteCurrentRow(*StringGrid2); }

void TScriptPage::ComAltBtnClick() {
  const int row = StringGrid2->currentRow();
  if (row < 0) return;
  const QString name = ChooseScript();
  if (!name.isEmpty()) SetCellText(*StringGrid2, row, 0, name);
}

}  // namespace tamber
