// How the settings reach an editor control: the template editor's look
// (marks, bars, margins, colours, font), the colour set alone (the options
// dialog's colour sample), and the editing options every document takes.
#pragma once

#include <QFont>

#include "settings/settings_model.h"

namespace tamber {

class TTextEditorFurniture;
class TTextEditorFx;

// The 16 standard colours, silver before gray, as the colour grid shows them.
inline constexpr int kStandardColorCount = 16;
extern const TColor StandardColors[kStandardColorCount];
// The index of c among them, or -1.
int StandardColorIndex(TColor c);

// Background, font colour, the colour slots and the ruler's colours (which
// the line-number bar shares) from s.
void ApplyColorSettings(TTextEditorFurniture& f, const TSettings& s);
// The same values from f back into s.
void StoreColorSettings(const TTextEditorFurniture& f, TSettings& s);

// The marks and bars the settings switch, with their colours, and the margins.
void ApplyMarkSettings(TTextEditorFurniture& f, const TSettings& s);

// The template editor from s: marks, bars, margins, colours and font.
void ApplyTemplateSettings(TTextEditorFx& e, const TSettings& s);

// The editor font of the settings (always plain); a family this machine
// lacks gives the editor's own fixed-pitch default in that size.
QFont EditorFontOf(const TFontData& font);
// font's family and size into data (name in CP932). False when the family
// name cannot be held in CP932.
bool FontDataOf(const QFont& font, TFontData& data);

}  // namespace tamber
