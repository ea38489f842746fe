#include "search/awk_str.h"

#include "search/regexp_error.h"

namespace tamber {

TRegularExpression::TRegularExpression() {
  cache_.push_back({std::string(), false, std::make_unique<TREProgram>("", false)});
}

TRegularExpression::~TRegularExpression() = default;

void TRegularExpression::SetRegExp(std::string_view pattern) {
  // The editor sets the pattern before every line it searches: skip the
  // preprocessing when nothing changed.
  if (settled_ && pattern == regExp_) return;
  settled_ = false;
  try {
    const std::string expanded = preProcessor_.Expand(pattern);
    std::size_t found = cache_.size();
    for (std::size_t i = 0; i < cache_.size(); ++i) {
      if (cache_[i].text == expanded && cache_[i].ignoreCase == ignoreCase_) {
        found = i;
        break;
      }
    }
    if (found < cache_.size()) {
      current_ = found;
    } else {
      Compile(expanded);
    }
  } catch (const ERegExpParser&) {
    current_ = 0;
    regExp_.clear();
    settled_ = true;
    throw;
  }
  regExp_ = std::string(pattern);
  settled_ = true;
}

void TRegularExpression::Compile(const std::string& expanded) {
  auto program = std::make_unique<TREProgram>(expanded, ignoreCase_);  // throws before any change
  if (cache_.size() >= kPatternCacheSize) cache_.pop_back();
  cache_.insert(cache_.begin() + 1, Entry{expanded, ignoreCase_, std::move(program)});
  current_ = 1;
}

void TRegularExpression::Reapply() {
  settled_ = false;
  SetRegExp(std::string(regExp_));
}

void TRegularExpression::SetUseFuzzyCharDic(bool on) {
  preProcessor_.SetUseFuzzyCharDic(on);
  Reapply();
}

void TRegularExpression::SetUseSynonymDic(bool on) {
  preProcessor_.SetUseSynonymDic(on);
  Reapply();
}

void TRegularExpression::SetIgnoreCase(bool on) {
  ignoreCase_ = on;
  Reapply();
}

TAWKStr::TAWKStr() { PreProcessor().FuzzyDictionaries().push_back(&FuzzyDictionary()); }

TMatchResult TAWKStr::Match(std::string_view text) {
  const auto m = Program().First(text, LineSeparator());
  if (!m) return {};
  return {m->first + 1, m->second - m->first};
}

std::size_t TAWKStr::ForEachMatchingLine(std::string_view block,
                                        const std::function<bool(std::size_t, std::size_t)>& line) {
  return Program().ForEachMatchingLine(block, LineSeparator(), line);
}

std::size_t TAWKStr::CountMatchingLines(std::string_view block, std::size_t most) {
  return Program().CountMatchingLines(block, LineSeparator(), most);
}

std::size_t TAWKStr::ForEachMatchInLines(std::string_view block,
                                         const std::function<void(std::size_t, std::size_t)>& found) {
  return Program().ForEachInLines(block, LineSeparator(), found);
}

std::size_t TAWKStrEx::FindAllInLines(std::string_view block, std::vector<TSearchInfo>& list) {
  return Program().ForEachInLines(block, LineSeparator(), [&](std::size_t start, std::size_t end) {
    list.push_back({start + 1, end - start, std::string(block.substr(start, end - start))});
  });
}

std::size_t TAWKStrEx::FindAll(std::string_view text, std::string_view subject,
                               std::vector<TSearchInfo>& list) {
  return Program().ForEach(subject, LineSeparator(), [&](std::size_t start, std::size_t end) {
    std::string matched;
    if (start < text.size()) matched = std::string(text.substr(start, end - start));
    list.push_back({start + 1, end - start, std::move(matched)});
  });
}

}  // namespace tamber
