// The viewer: shows a file in one editor widget inside the main window, where
// it can be edited (a binary file only viewed), read as the editor reads files (its character code recognised) and
// coloured by the fountain its extension names. Stands in for the document
// windows until they exist.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "highlight/fountain.h"

namespace tamber {

class TEditorWidget;
class TTamberForm;

// The fountains the viewer chooses from, with readable colours.
class TViewerFountains {
 public:
  TViewerFountains();
  ~TViewerFountains();
  // The fountain whose extension list has ext (with its dot), or nullptr.
  TFountain* ForExtension(const std::string& ext) const;

 private:
  std::vector<std::unique_ptr<TFountain>> fountains_;
};

// Reads path into the editor; throws std::system_error when it cannot be read.
// Returns the status text of its character code ("S_JIS", "UTF-8", ...).
QString LoadIntoViewer(TEditorWidget& widget, const std::string& path, const TViewerFountains& fountains);

// Applies the display values of the main frame's template editor (line
// numbers, ruler, marks, scroll bars).
void ApplyViewerLook(TEditorWidget& widget);

// Opens path in a new maximised window of the form's document area; a file
// that cannot be read is reported in the status bar.
TEditorWidget* OpenInViewer(TTamberForm& form, const QString& path, const TViewerFountains& fountains);

}  // namespace tamber
