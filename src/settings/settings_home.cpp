#include "settings/settings_home.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tamber {

namespace fs = std::filesystem;

namespace {

// Tried by making a file: permission bits say nothing for root or on a
// read-only or special file system.
bool IsWritableDir(const std::string& dir) {
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(dir, ec)) return false;
  std::string probe = (fs::path(dir) / ".tamber-probe-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

std::string ResolveSettingsHome(const std::string& programDir, const std::string& tamberHome,
                                const std::string& userHome) {
  if (!tamberHome.empty()) return tamberHome;
  if (IsWritableDir(programDir)) return programDir;
  return (fs::path(userHome) / ".config" / "tamber").string();
}

std::string SettingsHome(const std::string& programDir) {
  return ResolveSettingsHome(programDir, Env("TAMBER_HOME"), Env("HOME"));
}

std::string ShippedDataDir(const std::string& programDir) {
  std::error_code ec;
  const fs::path dir(programDir);
  for (const fs::path& p : {dir / "data", dir / ".." / "share" / "tamber"}) {
    if (fs::is_directory(p, ec)) return fs::weakly_canonical(p, ec).string();
  }
#ifdef TAMBER_SOURCE_DATA_DIR
  if (fs::is_directory(TAMBER_SOURCE_DATA_DIR, ec)) return TAMBER_SOURCE_DATA_DIR;
#endif
  return "";
}

void SeedSettingsHome(const std::string& home, const std::string& dataDir) {
  fs::create_directories(fs::path(home) / "Macro");
  fs::create_directories(fs::path(home) / "Script");
  std::error_code ec;
  if (dataDir.empty() || !fs::is_directory(dataDir, ec)) return;
  for (fs::recursive_directory_iterator it(dataDir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = fs::path(home) / fs::relative(it->path(), dataDir);
    std::error_code step;
    if (it->is_directory(step)) {
      fs::create_directories(target, step);
    } else if (it->is_regular_file(step) && !fs::exists(target, step)) {
      // A file that cannot be copied stays missing and is treated as empty later.
      fs::copy_file(it->path(), target, fs::copy_options::skip_existing, step);
    }
  }
}

std::string SettingsFilePath(const std::string& home) { return (fs::path(home) / kSettingsFileName).string(); }

}  // namespace tamber
