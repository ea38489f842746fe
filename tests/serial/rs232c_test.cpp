#include "serial/rs232c.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "encoding/cp932_codec.h"
#include "serial/pty.h"

namespace tamber {
namespace {

using test::MsSince;
using test::PtyPair;
using test::WaitFor;
using Clock = std::chrono::steady_clock;

speed_t OutSpeed(const PtyPair& pty) {
  const termios t = pty.Settings();
  return cfgetospeed(&t);
}

class Rs232cTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Setportname(pty.Path());
    port.Setrxtimeout(2000);
    port.Settxtimeout(2000);
  }
  PtyPair pty;
  Trs232c port;
};

TEST(Rs232cDefaults, AreThoseOfANewComponent) {
  Trs232c p;
  EXPECT_EQ(p.portname(), "COM1");
  EXPECT_EQ(p.bps(), 9600);
  EXPECT_EQ(p.charbit(), 8);
  EXPECT_EQ(p.stopbit(), "1");
  EXPECT_EQ(Cp932ToUtf8(p.paritymode()), "無し");
  EXPECT_EQ(p.rxbuffsize(), 1024);
  EXPECT_EQ(p.txbuffsize(), 1024);
  EXPECT_EQ(p.readinterval(), 0);
  EXPECT_EQ(p.rxtimeout(), 30000);
  EXPECT_EQ(p.txtimeout(), 30000);
  EXPECT_EQ(p.flowflag(), 1);
  EXPECT_EQ(p.flow(), FlowBit(dfBinary));
  EXPECT_EQ(p.packetsize(), 0);
  // XON resumes with DC1 and XOFF stops with DC3.
  EXPECT_EQ(p.XonChar(), 17);
  EXPECT_EQ(p.XoffChar(), 19);
  EXPECT_EQ(p.XonLim() | p.XoffLim() | p.ErrorChar() | p.EofChar() | p.EvtChar(), 0);
  EXPECT_FALSE(p.IsOpen());
  EXPECT_EQ(p.RxCount(), -1);
  EXPECT_EQ(p.TxCount(), -1);
  unsigned char b = 0;
  EXPECT_FALSE(p.ReadChar(b));
  EXPECT_FALSE(p.WriteChar('x'));
  EXPECT_FALSE(p.SetRTS(true));
  EXPECT_FALSE(p.SetDTR(true));
  EXPECT_FALSE(p.Close());
}

TEST(Rs232cDefaults, FlowSetIsTheFlagWord) {
  Trs232c p;
  p.Setflow(FlowBit(dfOutX) | FlowBit(dfInX));
  EXPECT_EQ(p.flowflag(), (1 << 8) | (1 << 9));
  p.Setflowflag(FlowBit(dfBinary) | FlowBit(dfRtsControl_b1));
  EXPECT_EQ(p.flow(), FlowBit(dfBinary) | FlowBit(dfRtsControl_b1));
  EXPECT_EQ(RtsControl(p.flowflag()), lcHandshake);
}

TEST(Rs232cOnCreate, IsCalledWithTheNewComponent) {
  TObject* sender = nullptr;
  Trs232c p([&](TObject& s) { sender = &s; });
  EXPECT_EQ(sender, &p);
}

TEST_F(Rs232cTest, OpenTwiceFailsAndChangesNothing) {
  int opened = 0, closed = 0;
  port.SetOnOpen([&](TObject&) { ++opened; });
  port.SetOnClose([&](TObject&) { ++closed; });
  ASSERT_TRUE(port.Open()) << port.LastError();
  EXPECT_EQ(opened, 1);
  port.Setbps(19200);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(OutSpeed(pty), B9600) << "the second Open must not reconfigure";
  EXPECT_TRUE(port.Write("ok"));
  EXPECT_EQ(pty.Receive(2), "ok");
  EXPECT_TRUE(port.Close());
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(port.Close());
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(port.RxCount(), -1);
  // And again, now at the new rate.
  ASSERT_TRUE(port.Open()) << port.LastError();
  EXPECT_EQ(OutSpeed(pty), B19200);
}

TEST_F(Rs232cTest, PortInUseFailsUntilItIsClosed) {
  ASSERT_TRUE(port.Open());
  Trs232c other;
  other.Setportname(pty.Path());
  EXPECT_FALSE(other.Open());
  EXPECT_NE(other.LastError().find("in use"), std::string::npos) << other.LastError();
  EXPECT_FALSE(other.IsOpen());
  port.Close();
  EXPECT_TRUE(other.Open()) << other.LastError();
}

TEST_F(Rs232cTest, DevicesThatCannotBeOpenedFail) {
  port.Setportname("/dev/tamber-no-such-port");
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.LastError().empty());
  port.Setportname("/dev/null");  // a device, but no terminal
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(Rs232cTest, AFailedConfigurationClosesTheDevice) {
  struct Case {
    int bps, charbit;
    const char* stopbit;
  } cases[] = {
      {12345, 8, "1"},  // no such rate: never a different speed
      {9600, 9, "1"},   {9600, 4, "1"},
      {9600, 8, "1.5"},  // 1.5 stop bits exist only with 5-bit bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bps);
    port.Setbps(c.bps);
    port.Setcharbit(c.charbit);
    port.Setstopbit(c.stopbit);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().empty());
    // The device was let go: another component can take it.
    Trs232c other;
    other.Setportname(pty.Path());
    EXPECT_TRUE(other.Open()) << other.LastError();
  }
  port.Setbps(9600);
  port.Setcharbit(8);
  port.Setstopbit("1");
  EXPECT_TRUE(port.Open()) << port.LastError();
}

TEST(SerialConfig, LineSettingsMapToTermios) {
  const std::string odd = Utf8ToCp932("奇数"), even = Utf8ToCp932("ｅｖｅｎ"), mark = Utf8ToCp932("まーく"),
                    space = "SPACE", none = Utf8ToCp932("なし");
  struct Case {
    int bps, charbit;
    const char* stopbit;
    std::string parity;
    speed_t speed;
    tcflag_t size, cflags;
  } cases[] = {
      {9600, 8, "1", none, B9600, CS8, 0},
      {19200, 7, "2", even, B19200, CS7, CSTOPB | PARENB},
      {57600, 7, "1", odd, B57600, CS7, PARENB | PARODD},
      {115200, 8, "1", mark, B115200, CS8, PARENB | PARODD | CMSPAR},
      {4800, 0x106, "1", space, B4800, CS6, PARENB | CMSPAR},  // only the low byte counts
      {110, 5, "1.5", none, B110, CS5, CSTOPB},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bps);
    termios t{};
    t.c_cflag = PARENB | PARODD | CSTOPB | CS8;  // whatever the device had
    t.c_iflag = ICRNL | IXANY | ISTRIP;
    t.c_oflag = OPOST;
    t.c_lflag = ICANON | ECHO | ISIG;
    TLineSettings s;
    s.bps = c.bps;
    s.charbit = c.charbit;
    s.stopbits = StopBitsFromName(c.stopbit);
    s.parity = ParityFromName(c.parity);
    ASSERT_FALSE(ApplyLineSettings(s, t));
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(cfgetispeed(&t), c.speed);
    EXPECT_EQ(t.c_cflag & CSIZE, c.size);
    EXPECT_EQ(t.c_cflag & (CSTOPB | PARENB | PARODD | CMSPAR), c.cflags);
    // Binary: nothing translated, echoed or edited.
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | ISTRIP | IXANY), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
  }
  // Unknown names keep what the device had.
  termios t{};
  t.c_cflag = PARENB | CSTOPB | CS7;
  TLineSettings s;
  s.stopbits = StopBitsFromName("3");
  for (const char* name : {"Odd", "EVEn", "", "none"}) {
    s.parity = ParityFromName(name);
    ASSERT_FALSE(ApplyLineSettings(s, t));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), tcflag_t(PARENB | CSTOPB)) << name;
  }
}

TEST_F(Rs232cTest, LineSettingsReachTheDevice) {
  // A pseudo-terminal keeps speeds and stop bits; it has no byte framing.
  struct Case {
    int bps;
    const char* stopbit;
    speed_t speed;
    tcflag_t stop;
  } cases[] = {{9600, "1", B9600, 0}, {19200, "2", B19200, CSTOPB}, {57600, "1", B57600, 0},
               {115200, "2", B115200, CSTOPB}, {230400, "1", B230400, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bps);
    port.Setbps(c.bps);
    port.Setstopbit(c.stopbit);
    port.Setparitymode(Utf8ToCp932("偶数"));
    ASSERT_TRUE(port.Open()) << port.LastError();
    const termios t = pty.Settings();
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(cfgetispeed(&t), c.speed);
    EXPECT_EQ(t.c_cflag & CSTOPB, c.stop);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    port.Close();
  }
}

TEST_F(Rs232cTest, UnknownStopBitNamesKeepTheDevicesValue) {
  termios t = pty.Settings();
  t.c_cflag |= CSTOPB;
  ASSERT_EQ(tcsetattr(pty.Master(), TCSANOW, &t), 0);
  port.Setstopbit("3");
  ASSERT_TRUE(port.Open()) << port.LastError();
  EXPECT_EQ(pty.Settings().c_cflag & CSTOPB, tcflag_t(CSTOPB));
}

TEST_F(Rs232cTest, FlagWordSelectsFlowControl) {
  struct Case {
    int flags;
    tcflag_t iflags, cflags;
  } cases[] = {
      {FlowBit(dfBinary), 0, 0},
      {FlowBit(dfBinary) | FlowBit(dfOutX) | FlowBit(dfInX), IXON | IXOFF, 0},
      {FlowBit(dfBinary) | FlowBit(dfOutxCtsFlow), 0, CRTSCTS},
      {FlowBit(dfBinary) | (lcHandshake << dfRtsControl_b0), 0, CRTSCTS},
      {FlowBit(dfBinary) | FlowBit(dfParity), INPCK, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    port.Setflowflag(c.flags);
    ASSERT_TRUE(port.Open()) << port.LastError();
    const termios t = pty.Settings();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), c.iflags);
    EXPECT_EQ(t.c_cflag & CRTSCTS, c.cflags);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    port.Close();
  }
}

TEST_F(Rs232cTest, XoffFromThePeerHoldsOutputUntilXon) {
  port.Setflowflag(FlowBit(dfBinary) | FlowBit(dfOutX));
  port.Settxtimeout(300);
  ASSERT_TRUE(port.Open());
  pty.Send("\x13");  // DC3: stop
  ASSERT_TRUE(WaitFor([&] { return port.RxCount() == 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(port.Write("held")) << "output ran on after XOFF";
  EXPECT_EQ(pty.ReceiveAll(), "");
  pty.Send("\x11");  // DC1: go on
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(port.Write("sent"));
  // The failed write was dropped, not sent once the line went on.
  EXPECT_EQ(pty.ReceiveAll(), "sent");
}

TEST_F(Rs232cTest, BytesTravelBothWaysUnchanged) {
  ASSERT_TRUE(port.Open());
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  ASSERT_TRUE(port.Write(all));
  EXPECT_EQ(pty.Receive(all.size()), all);
  pty.Send(all);
  std::string got;
  ASSERT_TRUE(port.Read(got, all.size()));
  EXPECT_EQ(got, all);
  pty.Send("%\r\n");
  unsigned char b = 0;
  for (unsigned char want : {'%', '\r', '\n'}) {
    ASSERT_TRUE(port.ReadChar(b));
    EXPECT_EQ(b, want);
  }
  ASSERT_TRUE(port.WriteChar(0x12));
  EXPECT_EQ(pty.Receive(1), "\x12");
}

TEST_F(Rs232cTest, NullStrippingDropsZeroBytes) {
  port.Setflowflag(FlowBit(dfBinary) | FlowBit(dfNull));
  ASSERT_TRUE(port.Open());
  pty.Send(std::string("N\0\0G", 4));
  std::string got;
  ASSERT_TRUE(port.Read(got, 2));
  EXPECT_EQ(got, "NG");
}

TEST_F(Rs232cTest, ReadWithNothingReceivedFailsAfterTheTimeout) {
  port.Setrxtimeout(200);
  ASSERT_TRUE(port.Open());
  unsigned char b = 'x';
  const auto t0 = Clock::now();
  EXPECT_FALSE(port.ReadChar(b));
  EXPECT_GE(MsSince(t0), 190);
  EXPECT_LT(MsSince(t0), 3000);
  EXPECT_EQ(b, 'x');
}

TEST_F(Rs232cTest, ATimedOutReadKeepsWhatArrivedAndReturnsNoStaleByte) {
  port.Setrxtimeout(150);
  ASSERT_TRUE(port.Open());
  pty.Send("abc");
  std::string got;
  EXPECT_FALSE(port.Read(got, 5));
  EXPECT_EQ(port.RxCount(), 3);
  // The late bytes complete the next read, in order, and nothing is left over.
  pty.Send("de");
  ASSERT_TRUE(port.Read(got, 5));
  EXPECT_EQ(got, "abcde");
  unsigned char b;
  EXPECT_FALSE(port.ReadChar(b));
  // A byte after a timed-out single-byte read is the next byte, once.
  pty.Send("f");
  ASSERT_TRUE(port.ReadChar(b));
  EXPECT_EQ(b, 'f');
  EXPECT_EQ(port.RxCount(), 0);
}

TEST_F(Rs232cTest, ReadIntervalEndsAReadWhenTheLineFallsSilent) {
  port.Setrxtimeout(30000);
  port.Setreadinterval(100);
  ASSERT_TRUE(port.Open());
  pty.Send("x");
  std::string got;
  const auto t0 = Clock::now();
  EXPECT_FALSE(port.Read(got, 2));
  EXPECT_LT(MsSince(t0), 10000);
  EXPECT_EQ(port.RxCount(), 1);
}

TEST_F(Rs232cTest, ZeroReadTimeoutTakesOnlyWhatIsThere) {
  port.Setrxtimeout(0);
  ASSERT_TRUE(port.Open());
  unsigned char b;
  const auto t0 = Clock::now();
  EXPECT_FALSE(port.ReadChar(b));
  EXPECT_LT(MsSince(t0), 1000);
  pty.Send("z");
  ASSERT_TRUE(WaitFor([&] { return port.RxCount() == 1; }));
  ASSERT_TRUE(port.ReadChar(b));
  EXPECT_EQ(b, 'z');
}

TEST_F(Rs232cTest, AWriteThePeerDoesNotTakeTimesOutAndIsNotSentLater) {
  port.Settxtimeout(200);
  ASSERT_TRUE(port.Open());
  const std::string big(4 << 20, 'G');
  const auto t0 = Clock::now();
  EXPECT_FALSE(port.Write(big));
  EXPECT_GE(MsSince(t0), 190);
  EXPECT_LT(MsSince(t0), 3000);
  const std::string late = pty.ReceiveAll();
  // What the peer's own receive buffer (4 KiB) took before the time ran out
  // may be there; the driver's queue behind it (tens of KiB) must not follow.
  EXPECT_LT(late.size(), 8192u);
  EXPECT_EQ(late.find_first_not_of('G'), std::string::npos);
  // The port goes on working.
  ASSERT_TRUE(port.Write("M30"));
  EXPECT_EQ(pty.ReceiveAll().substr(0), "M30");
}

TEST_F(Rs232cTest, QueueLengthsCountWaitingBytes) {
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.RxCount(), 0);
  EXPECT_EQ(port.TxCount(), 0);
  pty.Send("0123456789");
  EXPECT_TRUE(WaitFor([&] { return port.RxCount() == 10; })) << port.RxCount();
  std::string got;
  ASSERT_TRUE(port.Read(got, 4));
  EXPECT_EQ(port.RxCount(), 6);
  // Open starts with empty queues.
  port.Close();
  pty.Send("stale");
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.RxCount(), 0);
}

TEST_F(Rs232cTest, HangUpFailsReadsAndWrites) {
  port.Setrxtimeout(30000);
  port.Settxtimeout(30000);
  ASSERT_TRUE(port.Open());
  pty.CloseMaster();
  unsigned char b;
  const auto t0 = Clock::now();
  EXPECT_FALSE(port.ReadChar(b));
  EXPECT_FALSE(port.WriteChar('x'));
  EXPECT_LT(MsSince(t0), 10000) << "a hang-up must not wait for the time limits";
  EXPECT_TRUE(port.Close());
}

TEST(SerialPortNames, ComPortsMapThroughTheTableAndPathsStandAsTheyAre) {
  EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(SerialDevicePath("com4"), "/dev/ttyS3");
  EXPECT_EQ(SerialDevicePath("COM5"), "COM5");
  EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  ASSERT_TRUE(SetComPortPath(2, "/dev/ttyUSB0"));
  EXPECT_EQ(SerialDevicePath("COM2"), "/dev/ttyUSB0");
  ASSERT_TRUE(SetComPortPath(2, ""));
  EXPECT_EQ(SerialDevicePath("COM2"), "/dev/ttyS1");
  EXPECT_FALSE(SetComPortPath(0, "/dev/x"));
  EXPECT_FALSE(SetComPortPath(5, "/dev/x"));
}

TEST_F(Rs232cTest, AComPortNameOpensItsMappedDevice) {
  ASSERT_TRUE(SetComPortPath(3, pty.Path()));
  port.Setportname("COM3");
  EXPECT_EQ(port.DevicePath(), pty.Path());
  EXPECT_TRUE(port.Open()) << port.LastError();
  SetComPortPath(3, "");
}

TEST(SerialConfig, RatesAreExactOrRefused) {
  for (int bps : {50, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600})
    EXPECT_EQ(SpeedToBaud(BaudToSpeed(bps).value()), bps);
  for (int bps : {0, -9600, 14400, 28800, 56000, 128000, 256000}) EXPECT_FALSE(BaudToSpeed(bps)) << bps;
}

TEST(SerialConfig, ParityNamesAreExact) {
  const std::pair<const char*, TParity> known[] = {
      {"無し", paNone}, {"なし", paNone}, {"奇数", paOdd}, {"きすう", paOdd}, {"ODD", paOdd},
      {"odd", paOdd}, {"ＯＤＤ", paOdd}, {"ｏｄｄ", paOdd}, {"偶数", paEven}, {"ぐうすう", paEven},
      {"EVEN", paEven}, {"even", paEven}, {"ＥＶＥＮ", paEven}, {"ｅｖｅｎ", paEven}, {"マーク", paMark},
      {"まーく", paMark}, {"MARK", paMark}, {"mark", paMark}, {"ＭＡＲＫ", paMark}, {"ｍａｒｋ", paMark},
      {"スペース", paSpace}, {"すぺーす", paSpace}, {"SPACE", paSpace}, {"space", paSpace},
      {"ＳＰＡＣＥ", paSpace}, {"ｓｐａｃｅ", paSpace}};
  for (const auto& [name, parity] : known) EXPECT_EQ(ParityFromName(Utf8ToCp932(name)), parity) << name;
  for (const char* name : {"Odd", "Even", "ｏｄｄ ", "無", "none", ""})
    EXPECT_FALSE(ParityFromName(Utf8ToCp932(name))) << name;
  // UTF-8 bytes are not the engine's text.
  EXPECT_FALSE(ParityFromName("無し"));
}

}  // namespace
}  // namespace tamber
