#include "script/script_error.h"

namespace tamber::script {

std::string ErrorMessage(std::uint16_t code, std::string_view extra) {
  switch (code) {
    case 0: return "正常終了";
    case 1: return "読込不可プロパティ";
    case 2: return "書込不可プロパティ";
    case 3: return extra.empty() ? std::string("未定義の識別子") : "未定義の識別子: " + std::string(extra);
    case 4: return "未定義の識別子";
    case 5: return "; が必要です";
    case 6: return "Begin が必要です";
    case 7: return "識別子の重複";
    case 8: return "予期せぬファイルの終り";
    case 9: return ": が必要です";
    case 10: return "シンタックスエラー";
    case 11: return "不正な文字列";
    case 12: return "ステートメントにおけるエラー";
    case 13: return "割り当方が不正です";
    case 14: return "タイプが違います";
    case 15: return "演算子が不正です";
    case 16: return "括弧が開いています";
    case 17: return "括弧は閉じていません";
    case 18: return "定数には代入できません";
    case 19: return ", が必要です";
    case 20: return "then が必要です";
    case 21: return "スコープが範囲外です";
    case 22: return "パラメータが不正です";
    case 23: return "to が必要です";
    case 24: return "do が必要です";
    case 25: return "of が必要です";
    case 26: return "end が必要です";
    case 27: return "Begin..End が開いています";
    case 28: return "Begin..End が閉じ過ぎています";
    case 29: return "定数の宣言が必要です";
    case 30: return "is が必要です";
    case 31: return "Integer が必要です";
    case 32: return ") が必要です";
    case 33: return "until が必要です";
    case 34: return "宣言されていないクラスです";
    case 35: return "クラスの種類が違います";
    case 36: return "override が不可能です";
    case 37: return "フォワード宣言が不正です" + std::string(extra);
    case 38: return "コンストラクタが必要です";
    case 39: return "継承元が宣言されていません";
    case 40: return "アクセス不可能なプロパティです";
    case 41: return "オブジェクトが必要です";
    case 42: return "不正なコメント";
    case 43: return "不正な文字";
    case 44: return "except が必要です";
    case 45: return "文字列が必要です";
    case 0x8000: return "ユニットは見つけられません";
    case 0x8001: return "クラスの初期化が必要です";
    case 0x8002: return "範囲外です";
    case 0x8003: return "零での除算が発生します";
    case 0x8004: return "コマンドはサポートされません";
    case 0x8006: return "既に解放されたクラスです";
    case 0x8007: return "クラスへの割り当てが出来ません";
    case 0x8008: return "variantがnilです";
    case 0x8009: return std::string(extra);
    case 0x800A: return "メモリー不足";
    default: return "未知のエラー";
  }
}

}  // namespace tamber::script
