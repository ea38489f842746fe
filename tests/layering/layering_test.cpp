// Holds the engine's include graph to the floors of src/FLOORS: a file of a
// floor includes only its own floor's headers and those below it, and no
// engine file includes a Qt-side folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadFloors(const fs::path& file) {
  std::vector<std::string> floors;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] >= 'a' && line[0] <= 'z') floors.push_back(line);
  }
  return floors;
}

bool IsQtSide(const fs::path& relative) {
  for (const auto& part : relative) {
    if (part == "ui") return true;
  }
  return false;
}

// One line per fault: "file: #include "dir/…" goes up from floor X to Y".
std::vector<std::string> FindLayeringFaults(const fs::path& src) {
  const std::vector<std::string> floors = ReadFloors(src / "FLOORS");
  const auto rank = [&](const std::string& d) {
    return static_cast<int>(std::find(floors.begin(), floors.end(), d) - floors.begin());
  };
  const int none = static_cast<int>(floors.size());
  const std::regex include(R"re(^\s*#\s*include\s*"([^"/]+)/[^"]*")re");
  std::vector<std::string> faults;
  for (const std::string& floor : floors) {
    const fs::path dir = src / floor;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const fs::path rel = fs::relative(entry.path(), src);
      if (IsQtSide(rel)) continue;
      if (entry.is_directory()) {
        if (fs::exists(entry.path() / "CMakeLists.txt")) {
          faults.push_back(rel.string() + ": a library inside the folder of floor " + floor);
        }
        continue;
      }
      const std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      std::ifstream in(entry.path());
      int lineNo = 0;
      for (std::string line; std::getline(in, line);) {
        ++lineNo;
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[1];
        const int r = rank(target);
        if (r == none || r > rank(floor)) {
          faults.push_back(rel.string() + ":" + std::to_string(lineNo) + ": #include \"" + target +
                           "/…\" goes up from floor " + floor);
        }
      }
    }
  }
  return faults;
}

class ScratchTree {
 public:
  ScratchTree() : root_(fs::temp_directory_path() / ("tamber-layering-" + std::to_string(::getpid()))) {
    fs::remove_all(root_);
    fs::create_directories(root_);
    Write("FLOORS", "# lowest first\nbase\neditor\nview\n");
  }
  ~ScratchTree() { fs::remove_all(root_); }
  void Write(const std::string& rel, const std::string& text) {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel) << text;
  }
  const fs::path& Root() const { return root_; }

 private:
  fs::path root_;
};

}  // namespace

TEST(Layering, TheSourceTreeKeepsItsFloors) {
  const auto faults = FindLayeringFaults(TAMBER_SOURCE_DIR);
  std::string all;
  for (const auto& f : faults) all += f + "\n";
  EXPECT_TRUE(faults.empty()) << all;
}

TEST(Layering, AnIncludeOfAHigherFloorIsNamed) {
  ScratchTree t;
  t.Write("base/a.h", "#include <vector>\n");
  t.Write("editor/b.h", "#include \"base/a.h\"\n#include \"editor/c.h\"\n");
  t.Write("editor/c.cpp", "// fine\n#include \"view/v.h\"\n");
  t.Write("view/v.h", "#include \"editor/b.h\"\n");
  const auto faults = FindLayeringFaults(t.Root());
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_NE(faults[0].find("editor/c.cpp:2"), std::string::npos) << faults[0];
  EXPECT_NE(faults[0].find("view/"), std::string::npos) << faults[0];
}

TEST(Layering, QtSideFoldersAndUnknownFoldersAreTold) {
  ScratchTree t;
  t.Write("view/ui/w.cpp", "#include \"platform/p.h\"\n");   // Qt side: free
  t.Write("editor/d.cpp", "#include \"app/main.h\"\n");      // engine into app: a fault
  t.Write("editor/sub/CMakeLists.txt", "");                  // a library hidden in a floor
  const auto faults = FindLayeringFaults(t.Root());
  ASSERT_EQ(faults.size(), 2u);
  std::string all = faults[0] + faults[1];
  EXPECT_NE(all.find("editor/d.cpp:1"), std::string::npos) << all;
  EXPECT_NE(all.find("editor/sub"), std::string::npos) << all;
}
