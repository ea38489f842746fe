#include "highlight/script_fountain.h"

namespace tamber {
namespace {

constexpr std::string_view kScriptWords[] = {
    "Absolute", "Abstract", "ActiveWindow", "And", "AnglCheck", "AnsiPos", "Array", "As", "Asm",
    "Atan", "AWKPos", "Beep", "Begin", "Boolean", "Break", "Byte", "Case", "ChangeFileExt", "Char",
    "ChildCount", "Chr", "Class", "ClrScr", "Col", "CommClose", "CommOpen", "CommReadChar",
    "CommSetDTR", "CommSetRTS", "CommWriteChar", "Const", "Constructor", "Continue", "Copy",
    "CopyToClipBoard", "Cos", "Create", "Cursol", "Date", "DateTimeToStr", "DateToStr",
    "DecodeDate", "DecodeTime", "DegToRad", "Delay", "Delete", "DeleteLine", "Destructor",
    "Distance", "Div", "Do", "Double", "Downto", "Else", "EncodeDate", "EncodeTime", "End",
    "Except", "Exit", "False", "Finally", "FloatToStr", "FloatToStrF", "For", "Free", "Function",
    "GetCaption", "GetLineLength", "GetText", "Goto", "High", "If", "In", "Inherited", "Input",
    "Insert", "InsertLine", "Integer", "Interface", "IntToHex", "IntToStr", "IntToStrF", "Is",
    "IsKanji1", "IsKanji2", "IsNumeric", "Length", "Locate", "Low", "Message", "Mod", "MsgBox",
    "NewPage", "Nil", "Not", "Now", "Object", "Of", "OkMsgBox", "OpenFile", "Or", "Ord", "Pos",
    "PosToAngl", "Pred", "Procedure", "ProcessMessages", "Program", "Property", "PutText",
    "RadToDeg", "Raise", "Random", "Randomize", "Readln", "Real", "Record", "Repeat", "Replace",
    "Result", "Row", "SelectDirectory", "SelEndLine", "SelLength", "SelStartLine", "SelText",
    "Set", "SetArrayLength", "SetSelText", "Shl", "Shr", "Sin", "Space", "StrGet", "String",
    "StringList", "StringOfChar", "StrSet", "StrToDate", "StrToDateDef", "StrToDateTime",
    "StrToDateTimeDef", "StrToFloat", "StrToInt", "StrToTime", "StrToTimeDef", "Succ", "SYSTEM",
    "SYSTEM2", "Tan", "TButton", "TCheckBox", "TDateTime", "TEdit", "TForm", "Then", "Time",
    "TimeToStr", "TLabel", "TMemo", "To", "Trim", "True", "Try", "Type", "Until", "Uses", "Var",
    "While", "With", "Writeln", "Xor",
};

void SetColors(TFountainColor& c, TColor color) {
  c.SetColor(color);
  c.SetBkColor(clNone);
  c.SetStyle(0);
}

}  // namespace

std::span<const std::string_view> ScriptWords() { return kScriptWords; }

void ConfigureScriptFountain(TDelphiFountain& fountain) {
  // One report for the whole configuration.
  TUpdateGuard update(fountain.ChangeHandlers());
  TFountainBracketCollection& brackets = fountain.Brackets();
  brackets.Clear();
  brackets.Add("{", "}");
  brackets.Add("(*", "*)");
  for (int i = 0; i < brackets.Count(); ++i) SetColors(brackets.Items(i).ItemColor(), clGray);
  SetColors(fountain.Reserve(), clMaroon);
  SetColors(fountain.Ank(), clBlack);
  SetColors(fountain.AsmBlock(), clRed);
  SetColors(fountain.Comment(), clGray);
  SetColors(fountain.DBCS(), clOlive);
  SetColors(fountain.Int(), clBlue);
  SetColors(fountain.Str(), clGreen);
  SetColors(fountain.Symbol(), clFuchsia);
  TWordList words;
  for (std::string_view w : kScriptWords) words.Add(w);
  fountain.SetReserveWordList(words);
}

}  // namespace tamber
