#include "app/command_table.h"

#include <algorithm>
#include <cctype>

namespace tamber {

namespace {

using R = TEnableRule;

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

bool IsHtmlCaption(std::string_view caption) {
  const std::string u = Upper(caption);
  for (std::string_view ext : {".HTM", ".HTML", ".XML", ".XSL"})
    if (u.size() >= ext.size() && u.compare(u.size() - ext.size(), ext.size(), ext) == 0) return true;
  return false;
}

constexpr TCommandDef kCommands[] = {
    // File
    {"AcFileNew", "新規", "Ctrl+N", "新規|新規ファイルの作成", R::erNoScript},
    {"AcFileOpen", "開く(&O)", "Ctrl+O", "開く|ファイルを開く", R::erNoScript},
    {"AcFileInsert", "ファイルの挿入(&I)", "", "", R::erDocument},
    {"AcFileClose", "閉じる(&C)", "", "閉じる|現在のファイルを閉じる", R::erDocument},
    {"AcAllClose", "全て閉じる(&L)", "", "全て閉じる|全てのファイルを閉じる", R::erDocument},
    {"AcFileSave", "上書き保存(&S)", "Ctrl+S", "保存|現在のファイルを保存", R::erModified},
    {"AcFileSaveAll", "全て上書き保存(&A)", "", "全て保存|全てのファイルを保存", R::erDocument},
    {"AcFileSaveAs", "名前をつけて保存(&W)", "", "別名保存|ファイルに別の名前をつけて保存", R::erSaveAs},
    {"AcFileSJIS", "シフトＪＩＳ変換(&J)", "", "", R::erDocument},
    {"AcPrint", "印刷(&P)...", "Ctrl+P", "印刷|印刷", R::erDocument},
    {"AcFileExit", "終了(&X)", "", "終了|アプリケーションの終了", R::erNoScript},
    // Edit
    {"EditUndo", "元に戻す(&U)", "Ctrl+Z", "元に戻す", R::erDocument},
    {"EditRedo", "やり直し(&R)", "Ctrl+A", "やり直し", R::erDocument},
    {"EditCut", "切り取り(&T)", "Ctrl+X", "切り取り", R::erWritable},
    {"EditCopy", "コピー(&C)", "Ctrl+C", "コピー", R::erDocument},
    {"EditPaste", "貼り付け(&P)", "Ctrl+V", "貼り付け", R::erDocument},
    {"AcSelectAll", "全て選択(&A)", "Ctrl+Alt+A", "全て選択", R::erDocument},
    {"AcIndent", "インデント(&I)", "Ctrl+I", "", R::erDocument},
    {"AcUnIndent", "アンインデント(&U)", "Shift+Ctrl+I", "", R::erDocument},
    {"AcTab2Space", "TABを空白(&S)", "", "", R::erDocument},
    {"AcSpace2Tab", "空白をTAB(&B)", "", "", R::erDocument},
    {"OverWrite", "上書き(&W)", "Ins", "", R::erDocument},
    {"LineDel", "行削除(&D)", "Ctrl+Y", "", R::erDocument},
    {"ShiftBS", "カーソル前削除", "Shift+Backspace", "", R::erDocument},
    {"ShiftDel", "カーソル後削除", "Shift+Del", "", R::erDocument},
    // Search
    {"AcFind", "検索(&F)", "Ctrl+F", "検索", R::erDocument},
    {"AcFindNext", "再検索(&N)", "F3", "再検索", R::erDocument},
    {"AcFindPrev", "AcFindPrev", "Shift+F3", "", R::erDocument},
    {"AcReplace", "置換(&R)", "Ctrl+R", "置換", R::erDocument},
    {"AcLineJump", "指定行(&J)", "Ctrl+J", "", R::erDocument},
    {"AcTagJump", "タグジャンプ(&T)", "F11", "", R::erDocument},
    // View
    {"AcMaxWindow", "子ウインドウ最大化", "F2", "", R::erDocument},
    {"AcWordWarp", "折り返し表示(&R)", "F7", "", R::erDocument},
    {"AcEditSplit", "画面分割(&S)", "F12", "画面分割", R::erDocument},
    {"AcAlphaBlend", "透過モード(&A)", "", "", R::erAlways},
    {"AcClipBord", "クリップボード ビュワ(&C)", "F4", "", R::erAlways},
    {"AcAsciiDump", "アスキーコード(&A)", "F5", "アスキーコード", R::erDocument},
    {"AcHTML", "html ブラウザ(&B)", "F6", "ブラウズ", R::erHtml},
    // Tools
    {"AcSign1", "署名１ (&1)", "", "", R::erDocument},
    {"AcSign2", "署名２ (&2)", "", "", R::erDocument},
    {"AcSign3", "署名３ (&3)", "", "", R::erDocument},
    {"AcSign4", "署名４ (&4)", "", "", R::erDocument},
    {"AcSign5", "署名５ (&5)", "", "", R::erDocument},
    {"AcDateE", "西暦(&E)", "", "", R::erAnyDocument},
    {"AcDateJ", "和暦(&J)", "", "", R::erAnyDocument},
    {"AcTime", "時間(&T)", "", "", R::erAnyDocument},
    {"AcAssistance", "入力支援", "Ctrl+Space", "", R::erDocument},
    {"AcCalc", "電卓", "Ctrl+Q", "", R::erDocument},
    {"AcDB", "データベースを開く", "Ctrl+B", "データベースを開く", R::erAnyDocument},
    {"AcAddDB", "データベースに追加登録", "Ctrl+U", "データベースに追加登録", R::erSelection},
    {"RessAdd", "引用追加(&R)", "Ctrl+Ins", "レス追加", R::erAnyDocument},
    {"RessDel", "引用削除(&D)", "Ctrl+Del", "レス削除", R::erAnyDocument},
    {"AcMailTo", "メーラーへ転送(&M)", "", "メーラーへ転送", R::erDocument},
    {"AcDosExec", "外部コマンド(&C)", "Ctrl+D", "", R::erAlways},
    {"AcSetUp", "環境オプション(&O)", "Ctrl+E", "環境オプション", R::erNoScript},
    // Macro
    {"AcMacroRec", "マクロの記録(&R)", "Shift+Ctrl+R", "マクロの記録", R::erDocument},
    {"AcMacroRecStop", "記録の終了", "Shift+Ctrl+S", "記録の終了", R::erDocument},
    {"AcMacroPlay", "マクロの再生(&P)", "Ctrl+@", "マクロの再生", R::erDocument},
    {"MacroSaveItem", "マクロの保存(&S)", "", "", R::erAlways},
    {"MacroLoadItem", "マクロの読込み(&L)", "", "", R::erAlways},
    // Scripts (toolbar)
    {"Sorce", "スクリプト編集", "", "スクリプト編集", R::erDocument},
    {"ScriptLoad", "スクリプト読込み", "", "スクリプト読込み", R::erDocument},
    {"RunScript", "スクリプト実行", "", "スクリプト実行", R::erWritable},
    {"StopScript", "スクリプト停止", "", "スクリプト停止", R::erAnyDocument},
    // Window
    {"WindowCascade", "重ねて表示(&C)", "", "", R::erAlways},
    {"WindowTileHorizontal", "水平に並べて表示(&H)", "", "", R::erAlways},
    {"WindowTileVertical", "垂直に並べて表示(&V)", "", "", R::erAlways},
    {"WindowMinimizeAll", "すべてを最小化(&M)", "", "", R::erAlways},
    {"WindowArrange", "アイコンの整列(&A)", "", "", R::erAlways},
    // Help
    {"HelpContents", "目次(&I)", "", "", R::erAlways},
    {"HelpIndex", "トピックの検索(&S)", "", "", R::erAlways},
    {"HelpAbout", "バージョン情報(&A)...", "", "", R::erAlways},
};

constexpr std::string_view kFileMenu[] = {
    "AcFileNew", "AcFileOpen", "AcFileInsert", "AcFileClose", "AcAllClose", "-", "AcFileSave",
    "AcFileSaveAll", "AcFileSaveAs", "-", "AcFileSJIS", "-", "AcPrint", "-", "-", "AcFileExit"};
constexpr std::string_view kEditMenu[] = {
    "EditUndo", "EditRedo", "-", "EditCut", "EditCopy", "EditPaste", "AcSelectAll", "-", "AcIndent",
    "AcUnIndent", "-", "AcTab2Space", "AcSpace2Tab", "-", "OverWrite", "LineDel", "ShiftBS", "ShiftDel"};
constexpr std::string_view kSearchMenu[] = {"AcFind", "AcFindNext", "AcReplace", "-", "AcLineJump",
                                            "AcTagJump"};
constexpr std::string_view kViewMenu[] = {"AcMaxWindow", "AcWordWarp", "AcEditSplit", "AcAlphaBlend",
                                          "-", "AcClipBord", "AcAsciiDump", "AcHTML"};
constexpr std::string_view kToolMenu[] = {
    ">署名の挿入(&S)", "AcSign1", "AcSign2", "AcSign3", "AcSign4", "AcSign5", "<", ">日付(&D)", "AcDateE",
    "AcDateJ", "<", "AcTime", "-", "AcAssistance", "AcCalc", "-", "AcDB", "AcAddDB", "-", "RessAdd",
    "RessDel", "-", "AcMailTo", "AcDosExec", "-", "AcSetUp"};
constexpr std::string_view kMacroMenu[] = {"AcMacroRec", "AcMacroRecStop", "AcMacroPlay", ">クイック起動(&Q)",
                                           "<", "-", "MacroSaveItem", "MacroLoadItem"};
constexpr std::string_view kWindowMenu[] = {"WindowCascade", "WindowTileHorizontal", "WindowTileVertical",
                                            "WindowMinimizeAll", "WindowArrange"};
constexpr std::string_view kHelpMenu[] = {"HelpContents", "HelpIndex", "HelpAbout"};

constexpr TMenuDef kMenus[] = {
    {"ファイル(&F)", kFileMenu}, {"編集(&E)", kEditMenu},     {"検索(&S)", kSearchMenu},
    {"表示(&V)", kViewMenu},     {"ツール(&T)", kToolMenu},   {"マクロ(&M)", kMacroMenu},
    {"ウィンドウ(&W)", kWindowMenu}, {"ヘルプ(&H)", kHelpMenu},
};

constexpr std::string_view kToolBar[] = {
    "AcFileNew", "AcFileOpen", "AcFileSave", "AcPrint", "-", "EditCut", "EditCopy", "EditPaste", "-",
    "AcFind", "AcFindNext", "AcReplace", "-", "EditUndo", "EditRedo", "-", "AcSetUp", "AcMailTo",
    "AcHTML", "-", "Sorce", "ScriptLoad", "RunScript", "StopScript", "=ScriptMenu", "-", "AcDB", "AcAddDB"};

}  // namespace

bool RuleAllows(TEnableRule rule, const TCommandState& s) {
  const bool document = s.documents > 0 && !s.scriptRunning;
  switch (rule) {
    case R::erNoScript: return !s.scriptRunning;
    case R::erDocument: return document;
    case R::erWritable: return document && !s.readOnly;
    case R::erModified: return document && !s.readOnly && s.modified;
    case R::erSaveAs: return document && s.saveAsAllowed;
    case R::erHtml: return document && IsHtmlCaption(s.caption);
    case R::erAnyDocument: return s.documents > 0;
    case R::erSelection: return s.documents > 0 && s.selected;
    case R::erAlways: return true;
  }
  return false;
}

std::span<const TCommandDef> CommandTable() { return kCommands; }

const TCommandDef* FindCommand(std::string_view name) {
  const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [&](const TCommandDef& c) { return c.name == name; });
  return it == std::end(kCommands) ? nullptr : &*it;
}

std::string_view ShortHint(std::string_view hint) { return hint.substr(0, hint.find('|')); }

std::string_view LongHint(std::string_view hint) {
  const auto bar = hint.find('|');
  return bar == std::string_view::npos ? hint : hint.substr(bar + 1);
}

std::span<const TMenuDef> MainMenu() { return kMenus; }
std::span<const std::string_view> ToolBarItems() { return kToolBar; }

}  // namespace tamber
