// Counts the settings messages instead of showing them.
#pragma once

#include <string>
#include <vector>

#include "settings/reg_manager.h"

namespace tamber::test {

class CountingMessages : public TSettingsMessages {
 public:
  void ShowError(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

}  // namespace tamber::test
