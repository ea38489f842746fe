// The port's configuration as termios sees it: the names and numbers that the
// component's properties carry (baud rate, data bits, stop-bit and parity
// names, the control-flag word) turned into termios settings, and the port
// names "COM1".."COM4" turned into device paths.
//
// Everything here is pure apart from the port-name table, which is
// process-wide and guarded, so the settings can set it from any thread.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamber {

// Bits of the control-flag word (`flowflag`), in bit order 0 to 14.
enum TRsFlow : int {
  dfBinary, dfParity, dfOutxCtsFlow, dfOutxDsrFlow, dfDtrControl_b0, dfDtrControl_b1,
  dfDsrSensitivity, dfTXContinueOnXoff, dfOutX, dfInX, dfErrorChar, dfNull,
  dfRtsControl_b0, dfRtsControl_b1, dfAbortOnError
};
// The set `rsflowset`: bit i set for member i.
using rsflowset = std::uint16_t;
constexpr rsflowset FlowBit(TRsFlow f) { return static_cast<rsflowset>(1u << f); }

// The two-bit line controls held in the flag word.
enum TLineControl : int { lcDisable = 0, lcEnable = 1, lcHandshake = 2, lcToggle = 3 };
constexpr TLineControl DtrControl(int flags) { return static_cast<TLineControl>((flags >> dfDtrControl_b0) & 3); }
constexpr TLineControl RtsControl(int flags) { return static_cast<TLineControl>((flags >> dfRtsControl_b0) & 3); }

enum TParity : int { paNone = 0, paOdd = 1, paEven = 2, paMark = 3, paSpace = 4 };
enum TStopBits : int { sbOne, sbOneAndHalf, sbTwo };

// The termios speed constant for a rate in bits per second; nothing for a rate
// termios does not offer (never the nearest one).
std::optional<speed_t> BaudToSpeed(int bps);
// The rate of a termios speed constant, 0 for an unknown one.
int SpeedToBaud(speed_t speed);

// The parity a name selects (exact, case-sensitive; the names are CP932 bytes,
// "無し", "ODD", "ｏｄｄ" …); nothing for an unknown name.
std::optional<TParity> ParityFromName(std::string_view name);
// "1", "1.5", "2"; nothing for any other text.
std::optional<TStopBits> StopBitsFromName(std::string_view name);

// What the component asks of the line. Unset optionals keep the device's value.
struct TLineSettings {
  int bps = 9600;
  int charbit = 8;  // its low byte is used
  std::optional<TStopBits> stopbits;
  std::optional<TParity> parity;
  int flowflag = 1;
  unsigned char XonChar = 17, XoffChar = 19, EofChar = 0;  // 0 keeps the device's value
};

// Applies settings to t (as read from the device): raw binary mode, no
// timeouts in the driver (reads are timed by poll), the receiver on and
// modem-control hang-up off. Returns an error text when a setting cannot be
// expressed (an unsupported rate, a data-bit count outside 5..8, 1.5 stop bits
// with more than 5 data bits), leaving t partly changed.
std::optional<std::string> ApplyLineSettings(const TLineSettings& s, termios& t);

// Whether the device took the settings that matter (speed, byte size, parity,
// stop bits, flow control): tcsetattr succeeds when any one change was made.
// framing false leaves out byte size and parity, which a pseudo-terminal
// always reports as 8 bits without parity whatever it is asked.
bool SameLineSettings(const termios& wanted, const termios& got, bool framing = true);

// The device path a port name opens: "COM1".."COM4" (in any case) through the
// table, any other name as it stands.
std::string SerialDevicePath(std::string_view portName);
// Sets the path of COMn (1..4); an empty path restores the default /dev/ttyS{n-1}.
// Returns false for n outside 1..4.
bool SetComPortPath(int n, std::string path);
std::string ComPortPath(int n);

}  // namespace tamber
