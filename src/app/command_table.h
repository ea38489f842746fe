// The main window's commands in one table: name, caption, shortcut, hint and
// the rule that enables each. Menus, toolbar, key bindings and (later) key
// macros and scripts all find a command here by its name; the main window
// binds a handler to each name it can run. A command without a handler is
// shown where it belongs and stays disabled.
//
// This file holds no Qt: the enabling rules are plain functions of the
// frame's state, so they can be checked without a window.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tamber {

// When a command is enabled.
enum class TEnableRule {
  erNoScript,        // no script runs
  erDocument,        // a document is open and no script runs ("the document rule")
  erWritable,        // the document rule, and the active document is not read-only
  erModified,        // erWritable, and the active document is modified
  erSaveAs,          // erWritable, or a read-only document that could not hold its file's text
  erHtml,            // the document rule, and the active document is HTML or XML
  erAnyDocument,     // a document is open (also while a script runs)
  erSelection,       // a document is open and its editor has a selection
  erAlways,
};

// What the rules look at, gathered by the frame when the user interface is idle.
struct TCommandState {
  int documents = 0;
  bool scriptRunning = false;
  bool readOnly = false;   // of the active document
  bool modified = false;   // of the active document
  bool selected = false;   // the active editor has a selection
  std::string caption;     // of the active document
  bool saveAsAllowed = false;  // not read-only, or read-only only for characters it cannot hold
};

bool RuleAllows(TEnableRule rule, const TCommandState& state);

struct TCommandDef {
  std::string_view name;      // AcFileOpen …
  std::string_view caption;   // menu text (UTF-8) with its accelerator
  std::string_view shortcut;  // portable key text ("Ctrl+O"), may be empty
  std::string_view hint;      // short hint "|" status-line hint, may be empty
  TEnableRule rule;
};

std::span<const TCommandDef> CommandTable();
// nullptr for a name the table does not hold.
const TCommandDef* FindCommand(std::string_view name);

// The short hint (before "|") and the long one (after it; the short one when
// there is no "|").
std::string_view ShortHint(std::string_view hint);
std::string_view LongHint(std::string_view hint);

// The menu bar: each entry is a command name, "-" for a separator, ">Caption"
// opening a submenu, "<" closing it, and "=Caption" for an item that is not
// a command of the table (it stays disabled until its feature exists).
struct TMenuDef {
  std::string_view caption;
  std::span<const std::string_view> items;
};
std::span<const TMenuDef> MainMenu();

// The toolbar in order: command names, "-" for a separator and
// "=ScriptMenu" for the drop-down of the registered scripts.
std::span<const std::string_view> ToolBarItems();

}  // namespace tamber
