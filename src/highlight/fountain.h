// A fountain: the colouring scheme of one kind of text. It owns its colours,
// its bracket pairs, its reserve-word list and its file extensions, makes the
// tokenizer (TFountainParser) for its text, and reports every change of a
// colour, a bracket pair or the word list to the editors that show it.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "highlight/bracket_collection.h"
#include "highlight/fountain_color.h"
#include "base/notify.h"
#include "highlight/word_list.h"

namespace tamber {

class TFountainParser;

class TFountain : public TObject {
 public:
  ~TFountain() override;
  TFountain(const TFountain&) = delete;
  TFountain& operator=(const TFountain&) = delete;

  // Extensions with the dot (".pas"), compared ignoring case.
  TWordList& FileExtList() { return file_ext_list_; }
  const TWordList& FileExtList() const { return file_ext_list_; }
  void SetFileExtList(const TWordList& v) { file_ext_list_.Assign(v); }
  bool HasFileExt(std::string_view ext) const { return file_ext_list_.Contains(ext); }

  TFountainBracketCollection& Brackets() { return *brackets_; }
  const TFountainBracketCollection& Brackets() const { return *brackets_; }
  void SetBrackets(const TFountainBracketCollection& v) { brackets_->Assign(v); }

  TFountainColor& Reserve() { return reserve_; }
  const TFountainColor& Reserve() const { return reserve_; }
  void SetReserve(const TFountainColor& v) { reserve_.Assign(v); }

  // Changing the list's contents directly reports nothing; SetReserveWordList does.
  TWordList& ReserveWordList() { return reserve_word_list_; }
  const TWordList& ReserveWordList() const { return reserve_word_list_; }
  void SetReserveWordList(const TWordList& v);

  // The editors that show this fountain listen here.
  TNotifyEventList& ChangeHandlers() { return change_handlers_; }

  // A new tokenizer of this fountain's kind; the caller owns it.
  virtual std::unique_ptr<TFountainParser> CreateParser() = 0;

  // Visits every colour of the fountain (its own and every bracket pair's).
  virtual void ForEachColor(const std::function<void(TFountainColor&)>& visit);
  // Some colour of the fountain has fsItalic.
  bool HasItalic();

 protected:
  // brackets: the collection to own (a derived kind, or null for the plain one).
  explicit TFountain(std::unique_ptr<TFountainBracketCollection> brackets = nullptr);
  // A colour of the derived fountain, wired to report to ChangeHandlers.
  void WireColor(TFountainColor& color);

 private:
  TWordList file_ext_list_;
  TNotifyEventList change_handlers_;
  std::unique_ptr<TFountainBracketCollection> brackets_;
  TWordList reserve_word_list_;
  TFountainColor reserve_;
};

}  // namespace tamber
