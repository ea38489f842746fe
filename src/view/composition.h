// TComposition: the text an input method is composing at the caret. It is
// never part of the text or its undo history: painting splices its cells
// into the caret row's display list at the caret column, pushing the rest of
// the row to the right.
//
// Bytes of Text are CP932; every byte is one cell. Segments cover Text in
// order without gaps; CursorByte lies on a character boundary of Text.
#pragma once

#include <string>
#include <vector>

#include "view/display_list.h"

namespace tamber {

enum TCompositionLook {
  cpInput,      // typed, not yet converted: dotted underline
  cpTarget,     // the clause being converted: selection colours, solid underline
  cpConverted,  // converted, not the clause in hand: solid underline
};

struct TCompositionSegment {
  int Start = 0, Length = 0;  // bytes of Text
  TCompositionLook Look = cpInput;
  bool operator==(const TCompositionSegment&) const = default;
};

struct TComposition {
  std::string Text;
  std::vector<TCompositionSegment> Segments;
  int CursorByte = 0;
  bool CursorVisible = true;
  bool Empty() const { return Text.empty(); }
  int Cells() const { return static_cast<int>(Text.size()); }
};

// The colours the composition is drawn in.
struct TCompositionColors {
  TColor Text = clBlack, Background = clWhite;
  TColor TargetText = clWhite, TargetBackground = clBlack;
};

// Splices comp into ops [from, end) of list, a text row's list: the row's
// ops at or right of x (the caret cell's left edge) move right by the
// composition's width, a run or fill crossing x is cut there, and the
// composition's own ops (y: the row's top; cellWidth, rowPitch and
// fontHeight: the layout's) are appended.
void SpliceComposition(TDisplayList& list, std::size_t from, const TComposition& comp, int x, int y,
                       int cellWidth, int rowPitch, int fontHeight, const TCompositionColors& colors);

}  // namespace tamber
