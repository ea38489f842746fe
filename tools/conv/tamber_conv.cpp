// tamber-conv: guesses and converts the character codes of Japanese text
// files with the editor's own rules.
//
//   tamber-conv --guess FILE…
//   tamber-conv --to sjis|jis|euc|utf8 [--no-bom] [--lossy] [-o OUT] FILE
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "encoding/file_code.h"
#include "encoding/file_io.h"

namespace {

using namespace tamber;

const char* kUsage =
    "usage: tamber-conv --guess FILE...\n"
    "       tamber-conv --to sjis|jis|euc|utf8 [--no-bom] [--lossy] [-o OUT] FILE\n"
    "\n"
    "--guess   print each file's character code: BIN, S_JIS, JIS, EUC or UTF-8\n"
    "--to      convert FILE as the editor reads it and write it as a save in that code\n"
    "          would (to standard output, or to OUT, replaced only when all went well)\n"
    "--no-bom  write UTF-8 without the byte-order mark\n"
    "--lossy   write even characters that cannot be written as they are: those the\n"
    "          target code cannot hold as 〓, ¥ and ‾ in UTF-8 files as \\ and ~\n";

struct Read {
  int probe = pfBinary;
  TextFormat format;
};

// Classifies a file as the editor does; the bytes stay with the caller.
Read Classify(const std::string& path, std::string_view bytes) {
  Read r;
  r.probe = ProbeBytes(bytes);
  r.format.code = FileCode::Binary;
  if (r.probe != pfBinary) r.format = ClassifyFileBytes(r.probe, FileExtension(path), bytes, /*kanjiAuto=*/true);
  return r;
}

int Guess(const std::vector<std::string>& files) {
  int status = 0;
  for (const std::string& f : files) {
    try {
      const MappedFile in(f);
      const Read r = Classify(f, in.Bytes());
      if (files.size() > 1) std::cout << f << ": ";
      std::cout << FileCodeText(r.format.code) << '\n';
    } catch (const std::system_error& e) {
      std::cerr << "tamber-conv: " << f << ": " << e.code().message() << '\n';
      status = 1;
    }
  }
  return status;
}

bool ParseTarget(const std::string& name, FileCode* code) {
  if (name == "sjis") *code = FileCode::ShiftJis;
  else if (name == "jis") *code = FileCode::Jis;
  else if (name == "euc") *code = FileCode::Euc;
  else if (name == "utf8") *code = FileCode::Utf8;
  else return false;
  return true;
}

// Standard output, written as the pieces come. A refused conversion cuts a
// regular file back to where it started; a pipe keeps what it was given.
class StandardOutput {
 public:
  StandardOutput() {
    struct stat st {};
    if (::fstat(1, &st) == 0 && S_ISREG(st.st_mode)) start_ = ::lseek(1, 0, SEEK_CUR);
  }
  bool Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(1, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  void Undo() {
    if (start_ >= 0 && ::ftruncate(1, start_) == 0) ::lseek(1, start_, SEEK_SET);
  }

 private:
  off_t start_ = -1;
};

struct Refused {};

int Convert(const std::string& file, FileCode target, const std::string& out, bool noBom,
            bool lossy) {
  try {
    MappedFile in(file);
    const std::string_view bytes = in.Bytes();
    const Read r = Classify(file, bytes);
    if (r.format.code == FileCode::Binary) {
      std::cerr << "tamber-conv: " << file << ": binary file, not converted\n";
      return 1;
    }
    in.ReleaseAll();  // what the classification read

    TextFormat format = r.format;
    if (format.code != FileCode::Utf8 || target != FileCode::Utf8) format.bom = true;
    if (noBom) format.bom = false;
    format.code = target;

    // Read and written a piece at a time; a loss found stops the writing (the
    // rest is still read, to count every loss).
    FileDecoder decoder(bytes, r.format, /*normalizeBreaks=*/false);  // the save rewrites them
    std::size_t lost = 0;
    auto produce = [&](const ChunkWriter& write) {
      bool writing = true;
      std::size_t encodeLost = 0;
      auto encode = [&](std::string_view piece) {
        format.otherForms = decoder.OtherForms();
        EncodedText encoded = EncodeForSave(piece, format);
        format.bom = false;  // the mark goes only at the start
        encodeLost += encoded.lost;
        lost = decoder.Lost() + encodeLost;
        if (lost > 0 && !lossy) writing = false;
        if (writing) write(encoded.bytes);
        in.Release(decoder.Consumed());
      };
      bool any = false;
      for (std::string_view piece; decoder.Next(&piece);) {
        encode(piece);
        any = true;
      }
      if (!any) encode({});  // an empty text still gets what a save writes for it (a mark)
      if (!writing) throw Refused{};
    };

    bool refused = false;
    if (out.empty()) {
      StandardOutput console;
      bool failed = false;
      try {
        produce([&](std::string_view piece) {
          if (!failed && !console.Write(piece)) failed = true;
        });
      } catch (const Refused&) {
        console.Undo();
        refused = true;
      }
      if (failed) {
        std::cerr << "tamber-conv: standard output: " << std::strerror(errno) << '\n';
        return 1;
      }
    } else {
      try {
        WriteFileAtomicallyFrom(out, produce);
      } catch (const Refused&) {
        refused = true;
      } catch (const std::system_error& e) {
        std::cerr << "tamber-conv: " << out << ": " << e.code().message() << '\n';
        return 1;
      }
    }
    if (refused) {
      std::cerr << "tamber-conv: " << file << ": " << lost
                << " character(s) cannot be written as they are in the target code; nothing"
                   " written (--lossy writes them anyway)\n";
      return 1;
    }
    if (lost > 0)
      std::cerr << "tamber-conv: " << file << ": " << lost << " character(s) not written as they were\n";
    return 0;
  } catch (const std::system_error& e) {
    std::cerr << "tamber-conv: " << file << ": " << e.code().message() << '\n';
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The pieces' buffers come and go by the hundred kilobytes: keep the heap
  // from being handed back and faulted in again for every piece.
  ::mallopt(M_MMAP_THRESHOLD, 16 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--guess") {
    std::vector<std::string> files(args.begin() + 1, args.end());
    if (files.empty()) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return Guess(files);
  }
  FileCode target{};
  bool haveTarget = false, noBom = false, lossy = false;
  std::string out, file;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--to" && i + 1 < args.size()) {
      if (!ParseTarget(args[++i], &target)) {
        std::cerr << "tamber-conv: unknown code '" << args[i] << "' (sjis, jis, euc or utf8)\n";
        return 2;
      }
      haveTarget = true;
    } else if (a == "-o" && i + 1 < args.size()) {
      out = args[++i];
    } else if (a == "--no-bom") {
      noBom = true;
    } else if (a == "--lossy") {
      lossy = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      std::cerr << "tamber-conv: unknown option " << a << '\n' << kUsage;
      return 2;
    } else if (file.empty()) {
      file = a;
    } else {
      std::cerr << "tamber-conv: one FILE at a time\n";
      return 2;
    }
  }
  if (!haveTarget || file.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return Convert(file, target, out, noBom, lossy);
}
