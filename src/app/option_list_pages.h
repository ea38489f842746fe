// The options dialog's pages of lists and appendices: "拡張子" (the file
// dialogs' filter), "予約語" (the nine keyword files), "登録スクリプト" (the
// script menu's entries) and "付録" (wallpaper, file association,
// signatures). Their controls are named as the settings they hold.
#pragma once

#include <array>
#include <memory>

#include "app/file_association.h"
#include "app/option_page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QToolButton;

namespace tamber {

class TTextEditorFx;

// Texts of the pages' questions.
inline constexpr const char* kRestoreFilterQuestion = "拡張子を規定値に戻しますか？";
inline constexpr const char* kAssociateQuestion =
    "本当に関連付けしますか？\r\nTamberエディタと長いおつき合いになりますよ。";
inline constexpr const char* kRestoreAssociationQuestion =
    "本当にメモ帳に戻しますか？\r\nまたの再会をお待ちしております。";

// The script grid never holds more rows than this.
inline constexpr int kMaxRegisteredScripts = 16;

class TFilterPage : public TOptionPage {
  Q_OBJECT

 public:
  TFilterPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  void Showing(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

  QTableWidget* StringGrid1;
  QPushButton* AddItem;
  QPushButton* InstItem;
  QPushButton* DelItem;
  QPushButton* DefOptExt;

 private:
  void ShowFilter(const std::string& filter);
  void AddItemClick();
  void InstItemClick();
  void DelItemClick();
  void DefOptExtClick();
};

class TKeywordPage : public TOptionPage {
  Q_OBJECT

 public:
  TKeywordPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

  QTabWidget* Pages;
  // HtmlWord, SqlWord, CppWord, PascalWord, BasicWord, PerlWord, JavaWord,
  // AsmWord, TextWord: in the order of the settings' keyword files.
  std::array<TTextEditorFx*, kKeywordFileCount> Words{};
};

class TScriptPage : public TOptionPage {
  Q_OBJECT

 public:
  TScriptPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

  QTableWidget* StringGrid2;
  QPushButton* ComAddBtn;
  QPushButton* ComInstBtn;
  QPushButton* ComDelBtn;
  QPushButton* ComAltBtn;

 private:
  // The open dialog on the Script folder; the chosen file's name, or empty.
  QString ChooseScript();
  void AddOrInsert(bool insert);
  void ComDelBtnClick();
  void ComAltBtnClick();
};

class TAppendixPage : public TOptionPage {
  Q_OBJECT

 public:
  TAppendixPage(TTamberForm& form, QWidget* parent);
  ~TAppendixPage() override;
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

  // Tests run the association's programs through a fake.
  void SetProgramRunner(std::unique_ptr<TProgramRunner> runner);

  QLineEdit* WallPaperFile;
  QToolButton* WallPaperBrowse;
  QCheckBox* WallTileCheck;
  QPushButton* TextToExt;
  QPushButton* TextMemoRet;
  QTabWidget* Signs;
  std::array<TTextEditorFx*, 5> Sign{};  // Sign1 … Sign5

 private:
  void WallPaperBrowseClick();
  void TextToExtClick();
  void TextMemoRetClick();
  void Report(const TAssociationResult& r);

  std::unique_ptr<TProgramRunner> runner_;
};

}  // namespace tamber
