// The clipboard as the editing operations see it: plain text, and the
// private format that marks the same bytes as box text. The widget adapts
// the platform clipboard to this (converting to and from CP932 there);
// TMemoryClipboard keeps the contents in memory (tests, headless use).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamber {

// The name the box format is registered under.
inline constexpr std::string_view kBoxClipboardFormat = "Tamber Box Type";

class TTextEditorClipboard {
 public:
  virtual ~TTextEditorClipboard() = default;
  // The plain text in CP932 bytes; nullopt when the clipboard holds no text.
  // Read to paste it (a platform clipboard tells the user of lost characters).
  virtual std::optional<std::string> Text() const = 0;
  // The clipboard holds text (asked for enabling commands; converts nothing).
  virtual bool HasText() const { return Text().has_value(); }
  // The clipboard also holds the box format.
  virtual bool HasBoxText() const = 0;
  // Replaces the contents by text and, when box, the box format with the same bytes.
  virtual void SetText(std::string_view text, bool box) = 0;
};

class TMemoryClipboard : public TTextEditorClipboard {
 public:
  std::optional<std::string> Text() const override { return text_; }
  bool HasBoxText() const override { return text_ && box_; }
  void SetText(std::string_view text, bool box) override {
    text_ = std::string(text);
    box_ = box;
  }
  void Clear() {
    text_.reset();
    box_ = false;
  }

 private:
  std::optional<std::string> text_;
  bool box_ = false;
};

}  // namespace tamber
