// Row lists: TheStringList (rows with their fields), TRowAttributeStringList
// (the packed attribute and parser fields), TTextEditorStringList (temporary
// row lists that edits build before putting them in place).
//
// A row holds its bytes (never CR or LF), a carried parser string, a free tag
// and the two packed words of row_attribute.h. Rows are stored in blocks
// (row_store.h states the invariants and costs); a list is never copied.
//
// Indices are 0-based. Every index outside 0..Count()-1 (0..Count() where a
// row is inserted) throws EListError. Each changing operation calls
// OnListChanging first and OnListChange last, but only while no update is
// open; BeginUpdate fires OnListChanging when it opens the outermost update,
// EndUpdate fires OnListChange when it closes it.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "editor/row_attribute.h"
#include "editor/row_store.h"

namespace tamber {

// The list error (its message is the system's, UTF-8).
inline constexpr const char* kListIndexErrorMessage = "リストのインデックスが範囲を超えています";

class EListError : public std::out_of_range {
 public:
  EListError() : std::out_of_range(kListIndexErrorMessage) {}
};

class TheStringList {
 public:
  TheStringList() = default;
  TheStringList(const TheStringList&) = delete;
  TheStringList& operator=(const TheStringList&) = delete;
  virtual ~TheStringList() = default;

  int Count() const { return static_cast<int>(rows_.Count()); }
  std::string Get(int i) const { return std::string(RowView(i)); }
  // The row's bytes; valid until the list next changes.
  std::string_view RowView(int i) const;
  void Put(int i, std::string_view s);
  int Add(std::string_view s);
  void Insert(int i, std::string_view s);
  void Delete(int i);
  void Exchange(int i, int j);
  virtual void Clear();

  std::string CarryText(int i) const;
  void SetCarryText(int i, std::string_view s);
  std::intptr_t Tag(int i) const;
  void SetTag(int i, std::intptr_t v);
  std::uint32_t AttrBits(int i) const;
  void SetAttrBits(int i, std::uint32_t v);
  std::uint32_t ExtraBits(int i) const;
  void SetExtraBits(int i, std::uint32_t v);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  std::function<void(TheStringList&)> OnListChanging;
  std::function<void(TheStringList&)> OnListChange;

  // Replaces every row with those of rows (built aside, e.g. by a loader); one change.
  void SetRows(RowStore rows);

  const RowStore& Rows() const { return rows_; }
  void CheckInvariants() const { rows_.CheckInvariants(); }

 protected:
  void Check(int i) const;
  void CheckInsert(int i) const;
  // Called around every change; fire the callbacks while no update is open.
  virtual void Changing();
  virtual void Changed();
  RowStore& MutableRows() { return rows_; }

 private:
  RowStore rows_;
  int updateCount_ = 0;
};

class TRowAttributeStringList : public TheStringList {
 public:
  // raNone for an index outside the rows (the one packed getter that does not throw).
  TRowAttribute RowAttribute(int i) const;
  void SetRowAttribute(int i, TRowAttribute v);
  TRowAttribute PrevRowAttribute(int i) const;
  void SetPrevRowAttribute(int i, TRowAttribute v);
  int OpenBracket(int i) const;  // -2..13; a fresh row reads -2
  void SetOpenBracket(int i, int v);
  int ParseState(int i) const;
  void SetParseState(int i, int v);
  int SplitBytes(int i) const;
  void SetSplitBytes(int i, int v);
  int ParseExtra(int i) const;
  void SetParseExtra(int i, int v);
  std::uint8_t OpenTokenKind(int i) const;
  void SetOpenTokenKind(int i, int v);
  std::uint8_t ParseByte(int i) const;
  void SetParseByte(int i, int v);
  std::uint16_t RowMarks(int i) const;
  void SetRowMarks(int i, std::uint16_t v);

  // The stored parser state of row i, with RowAttribute = the row's attribute.
  TRowAttributeData LoadRowData(int i) const;
  // Stores every parser field of data into row i; its attribute and marks stay.
  void StoreRowData(int i, const TRowAttributeData& data);

 private:
  void SetAttrField(int i, int shift, std::uint32_t mask, std::uint32_t v);
  void SetExtraField(int i, int shift, std::uint32_t mask, std::uint32_t v);
};

class TTextEditorStringList : public TRowAttributeStringList {};

// Clears list, then splits text at CR LF, CR or LF into raBreak rows; a final
// break makes no empty row. NUL and 0x1A are ordinary bytes.
void SplitText(std::string_view text, TTextEditorStringList& list);

}  // namespace tamber
