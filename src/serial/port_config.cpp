#include "serial/port_config.h"

#include <array>
#include <cctype>
#include <mutex>
#include <utility>
#include <vector>

#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

struct SpeedEntry {
  int bps;
  speed_t speed;
};

// Every rate the C library names. Rates from 460800 up depend on the adapter;
// the device rejects what it cannot do and Open checks what it got.
constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

struct ParityNames {
  TParity parity;
  std::vector<std::string> names;  // CP932
};

const std::vector<ParityNames>& ParityTable() {
  static const std::vector<ParityNames> table = [] {
    const std::pair<TParity, std::vector<const char*>> utf8[] = {
        {paNone, {"無し", "なし"}},
        {paOdd, {"奇数", "きすう", "ODD", "odd", "ＯＤＤ", "ｏｄｄ"}},
        {paEven, {"偶数", "ぐうすう", "EVEN", "even", "ＥＶＥＮ", "ｅｖｅｎ"}},
        {paMark, {"マーク", "まーく", "MARK", "mark", "ＭＡＲＫ", "ｍａｒｋ"}},
        {paSpace, {"スペース", "すぺーす", "SPACE", "space", "ＳＰＡＣＥ", "ｓｐａｃｅ"}},
    };
    std::vector<ParityNames> t;
    for (const auto& [parity, names] : utf8) {
      ParityNames p{parity, {}};
      for (const char* n : names) p.names.push_back(Utf8ToCp932(n));
      t.push_back(std::move(p));
    }
    return t;
  }();
  return table;
}

std::mutex g_com_mutex;
std::array<std::string, 4> g_com_paths;  // empty: the default

}  // namespace

std::optional<speed_t> BaudToSpeed(int bps) {
  for (const auto& e : kSpeeds)
    if (e.bps == bps) return e.speed;
  return std::nullopt;
}

int SpeedToBaud(speed_t speed) {
  for (const auto& e : kSpeeds)
    if (e.speed == speed) return e.bps;
  return 0;
}

std::optional<TParity> ParityFromName(std::string_view name) {
  for (const auto& p : ParityTable())
    for (const auto& n : p.names)
      if (n == name) return p.parity;
  return std::nullopt;
}

std::optional<TStopBits> StopBitsFromName(std::string_view name) {
  if (name == "1") return sbOne;
  if (name == "1.5") return sbOneAndHalf;
  if (name == "2") return sbTwo;
  return std::nullopt;
}

std::optional<std::string> ApplyLineSettings(const TLineSettings& s, termios& t) {
  const auto speed = BaudToSpeed(s.bps);
  if (!speed) return "unsupported baud rate " + std::to_string(s.bps);
  const int bits = s.charbit & 0xFF;
  tcflag_t size;
  switch (bits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return "unsupported data bits " + std::to_string(bits);
  }

  // Binary transfer always: the driver neither edits, echoes nor translates.
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                 IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN | ECHOE | ECHOK);
  t.c_cflag &= ~(CSIZE | CRTSCTS);
  t.c_cflag |= size | CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, *speed);
  cfsetospeed(&t, *speed);

  if (s.stopbits) {
    switch (*s.stopbits) {
      case sbOne: t.c_cflag &= ~CSTOPB; break;
      case sbTwo: t.c_cflag |= CSTOPB; break;
      case sbOneAndHalf:
        // A UART sends 1.5 stop bits for "two" with 5-bit bytes, and only then.
        if (bits != 5) return "1.5 stop bits need 5 data bits";
        t.c_cflag |= CSTOPB;
        break;
    }
  }
  if (s.parity) {
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (*s.parity) {
      case paNone: break;
      case paOdd: t.c_cflag |= PARENB | PARODD; break;
      case paEven: t.c_cflag |= PARENB; break;
      case paMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
      case paSpace: t.c_cflag |= PARENB | CMSPAR; break;
    }
  }

  const int f = s.flowflag;
  if (f & FlowBit(dfParity)) t.c_iflag |= INPCK;
  if ((f & FlowBit(dfOutxCtsFlow)) || RtsControl(f) == lcHandshake) t.c_cflag |= CRTSCTS;
  if (f & FlowBit(dfOutX)) t.c_iflag |= IXON;
  if (f & FlowBit(dfInX)) t.c_iflag |= IXOFF;
  if (s.XonChar) t.c_cc[VSTART] = s.XonChar;
  if (s.XoffChar) t.c_cc[VSTOP] = s.XoffChar;
  if (s.EofChar) t.c_cc[VEOF] = s.EofChar;
  return std::nullopt;
}

bool SameLineSettings(const termios& wanted, const termios& got, bool framing) {
  constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR;
  constexpr tcflag_t kCflags = CSTOPB | CRTSCTS;
  constexpr tcflag_t kIflags = IXON | IXOFF | INPCK;
  return cfgetospeed(&wanted) == cfgetospeed(&got) && cfgetispeed(&wanted) == cfgetispeed(&got) &&
         (wanted.c_cflag & kCflags) == (got.c_cflag & kCflags) &&
         (wanted.c_iflag & kIflags) == (got.c_iflag & kIflags) &&
         (!framing || (wanted.c_cflag & kFraming) == (got.c_cflag & kFraming));
}

std::string ComPortPath(int n) {
  if (n < 1 || n > 4) return {};
  std::lock_guard lock(g_com_mutex);
  const std::string& p = g_com_paths[n - 1];
  return p.empty() ? "/dev/ttyS" + std::to_string(n - 1) : p;
}

bool SetComPortPath(int n, std::string path) {
  if (n < 1 || n > 4) return false;
  std::lock_guard lock(g_com_mutex);
  g_com_paths[n - 1] = std::move(path);
  return true;
}

std::string SerialDevicePath(std::string_view name) {
  if (name.size() == 4 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(name[2])) == 'M' && name[3] >= '1' && name[3] <= '4')
    return ComPortPath(name[3] - '0');
  return std::string(name);
}

}  // namespace tamber
