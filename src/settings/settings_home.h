// Where the settings live. The settings home holds tamber.ini, the keyword
// files, Macro/ and Script/: $TAMBER_HOME when it is set; else the program's
// folder when it is writable (a portable install); else ~/.config/tamber/.
// A home is seeded from the shipped defaults: every shipped file that the
// home lacks is copied in, and nothing there is ever overwritten.
#pragma once

#include <string>

namespace tamber {

inline constexpr const char* kSettingsFileName = "tamber.ini";

// tamberHome is $TAMBER_HOME (empty when unset), userHome is $HOME.
std::string ResolveSettingsHome(const std::string& programDir, const std::string& tamberHome,
                                const std::string& userHome);
// The same from the environment.
std::string SettingsHome(const std::string& programDir);

// The shipped defaults: programDir/data, programDir/../share/tamber, or the
// source tree's data/ for a program run from its build folder; empty when
// none exists.
std::string ShippedDataDir(const std::string& programDir);

// Creates home with Macro/ and Script/ and copies in the shipped files it
// lacks. Throws std::system_error when home cannot be made.
void SeedSettingsHome(const std::string& home, const std::string& dataDir);

std::string SettingsFilePath(const std::string& home);

}  // namespace tamber
