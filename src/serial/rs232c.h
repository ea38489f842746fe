// Trs232c: one serial (RS-232C) port over termios. It opens the device
// exclusively, configures it from its properties, reads and writes bytes with
// time limits, reports the queue lengths and drives RTS and DTR.
//
// Properties may be changed at any time and take effect at the next Open.
// Every operation reports failure by its result (false, -1); nothing throws.
// Reads and writes are timed by poll and finish before they return: a read
// that times out keeps the bytes it received for the next read, and a write
// that times out discards what it could not send, so nothing of a failed
// operation turns up later.
//
// When event handlers are assigned, Open starts the event thread
// (tcommthread), which delivers port events to them through the event host on
// the user-interface thread; without a host they run on the event thread, and
// must then not be changed while the port is open.
//
// All members are called from one thread (the user-interface thread).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/notify.h"
#include "serial/comm_thread.h"
#include "serial/port_config.h"
#include "serial/serial_event_host.h"

namespace tamber {

class Trs232c : public TObject {
 public:
  using TNotifyEvent = std::function<void(TObject& sender)>;

  explicit Trs232c(TNotifyEvent onCreate = {});
  ~Trs232c() override;
  Trs232c(const Trs232c&) = delete;
  Trs232c& operator=(const Trs232c&) = delete;

  // Opens and configures the port; false when already open, when the device
  // cannot be opened (missing, in use) or a configuration step fails (the
  // device is then closed again). LastError() says why.
  bool Open();
  // False when not open; else whether closing the device succeeded.
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Why the last Open failed (empty after a successful one).
  const std::string& LastError() const { return last_error_; }

  // Receives exactly count bytes within rxtimeout ms (and, when readinterval
  // is not 0, with no gap longer than it between two bytes). On failure buffer
  // is unspecified and the bytes received so far stay queued.
  bool Read(void* buffer, std::size_t count);
  // Hands exactly count bytes to the driver within txtimeout ms. On failure
  // the unsent bytes are discarded.
  bool Write(const void* buffer, std::size_t count);
  bool Read(std::string& bytes, std::size_t count);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  bool ReadChar(unsigned char& byte);
  bool WriteChar(unsigned char byte);
  // Bytes waiting to be read and waiting to be sent; -1 when not open.
  int RxCount() const;
  int TxCount() const;
  // Raise (true) or lower RTS or DTR; false when not open or the device has no such line.
  bool SetRTS(bool on);
  bool SetDTR(bool on);

  // The device path the port name opens ("COM1".."COM4" through the table).
  std::string DevicePath() const { return SerialDevicePath(portname_); }

  const std::string& portname() const { return portname_; }
  void Setportname(std::string v) { portname_ = std::move(v); }
  int bps() const { return bps_; }
  void Setbps(int v) { bps_ = v; }
  int charbit() const { return charbit_; }
  void Setcharbit(int v) { charbit_ = v; }
  const std::string& stopbit() const { return stopbit_; }
  void Setstopbit(std::string v) { stopbit_ = std::move(v); }
  // CP932 bytes, like every engine text.
  const std::string& paritymode() const { return paritymode_; }
  void Setparitymode(std::string v) { paritymode_ = std::move(v); }
  int rxbuffsize() const { return rxbuffsize_; }
  void Setrxbuffsize(int v) { rxbuffsize_ = v; }
  int txbuffsize() const { return txbuffsize_; }
  void Settxbuffsize(int v) { txbuffsize_ = v; }
  int readinterval() const { return readinterval_; }
  void Setreadinterval(int v) { readinterval_ = v; }
  int rxtimeout() const { return rxtimeout_; }
  void Setrxtimeout(int v) { rxtimeout_ = v; }
  int txtimeout() const { return txtimeout_; }
  void Settxtimeout(int v) { txtimeout_ = v; }
  int flowflag() const { return flowflag_; }
  void Setflowflag(int v) { flowflag_ = v; }
  rsflowset flow() const { return static_cast<rsflowset>(flowflag_ & 0x7FFF); }
  void Setflow(rsflowset v) { flowflag_ = v & 0x7FFF; }
  int packetsize() const { return packetsize_; }
  void Setpacketsize(int v) { packetsize_ = v; }
  int XonLim() const { return XonLim_; }
  void SetXonLim(int v) { XonLim_ = v; }
  int XoffLim() const { return XoffLim_; }
  void SetXoffLim(int v) { XoffLim_ = v; }
  unsigned char XonChar() const { return XonChar_; }
  void SetXonChar(unsigned char v) { XonChar_ = v; }
  unsigned char XoffChar() const { return XoffChar_; }
  void SetXoffChar(unsigned char v) { XoffChar_ = v; }
  unsigned char ErrorChar() const { return ErrorChar_; }
  void SetErrorChar(unsigned char v) { ErrorChar_ = v; }
  unsigned char EofChar() const { return EofChar_; }
  void SetEofChar(unsigned char v) { EofChar_ = v; }
  unsigned char EvtChar() const { return EvtChar_; }
  void SetEvtChar(unsigned char v) { EvtChar_ = v; }

  // Where the event thread hands its deliveries; null runs them on the thread.
  TSerialEventHost* EventHost() const { return host_; }
  void SetEventHost(TSerialEventHost* host) { host_ = host; }
  // The events watched in this session (0 when closed or without handlers),
  // and the event thread, which runs only when that is not 0.
  std::uint32_t EventMask() const { return IsOpen() ? mask_ : 0; }
  const tcommthread* CommThread() const { return thread_.get(); }

  // Port events; the sender is the event thread object.
  const TNotifyEvent& OnBREAK() const { return OnBREAK_; }
  void SetOnBREAK(TNotifyEvent h) { OnBREAK_ = std::move(h); }
  const TNotifyEvent& OnCTS() const { return OnCTS_; }
  void SetOnCTS(TNotifyEvent h) { OnCTS_ = std::move(h); }
  const TNotifyEvent& OnDSR() const { return OnDSR_; }
  void SetOnDSR(TNotifyEvent h) { OnDSR_ = std::move(h); }
  const TNotifyEvent& OnERR() const { return OnERR_; }
  void SetOnERR(TNotifyEvent h) { OnERR_ = std::move(h); }
  const TNotifyEvent& OnRING() const { return OnRING_; }
  void SetOnRING(TNotifyEvent h) { OnRING_ = std::move(h); }
  const TNotifyEvent& OnRLSD() const { return OnRLSD_; }
  void SetOnRLSD(TNotifyEvent h) { OnRLSD_ = std::move(h); }
  const TNotifyEvent& OnRXCHAR() const { return OnRXCHAR_; }
  void SetOnRXCHAR(TNotifyEvent h) { OnRXCHAR_ = std::move(h); }
  const TNotifyEvent& OnRXFLAG() const { return OnRXFLAG_; }
  void SetOnRXFLAG(TNotifyEvent h) { OnRXFLAG_ = std::move(h); }
  const TNotifyEvent& OnTXEMPTY() const { return OnTXEMPTY_; }
  void SetOnTXEMPTY(TNotifyEvent h) { OnTXEMPTY_ = std::move(h); }
  // The receive queue reached packetsize (checked at each received-bytes event).
  const TNotifyEvent& OnPACKET() const { return OnPACKET_; }
  void SetOnPACKET(TNotifyEvent h) { OnPACKET_ = std::move(h); }

  const TNotifyEvent& OnCreate() const { return OnCreate_; }
  void SetOnCreate(TNotifyEvent h) { OnCreate_ = std::move(h); }
  const TNotifyEvent& OnOpen() const { return OnOpen_; }
  void SetOnOpen(TNotifyEvent h) { OnOpen_ = std::move(h); }
  const TNotifyEvent& OnClose() const { return OnClose_; }
  void SetOnClose(TNotifyEvent h) { OnClose_ = std::move(h); }

 private:
  friend class tcommthread;
  std::uint32_t HandlerMask() const;
  bool Fail(std::string why);
  bool Configure();
  // Moves what the driver holds into rx_pending_; false on a read error.
  // Called by the event thread too when it watches for the event character.
  bool Drain();

  std::string portname_ = "COM1";
  int bps_ = 9600;
  int charbit_ = 8;
  std::string stopbit_ = "1";
  std::string paritymode_;
  int rxbuffsize_ = 1024, txbuffsize_ = 1024;
  int readinterval_ = 0, rxtimeout_ = 30000, txtimeout_ = 30000;
  int flowflag_ = FlowBit(dfBinary);
  int packetsize_ = 0;
  int XonLim_ = 0, XoffLim_ = 0;
  // DC1 resumes and DC3 stops the sender, as every peer expects.
  unsigned char XonChar_ = 17, XoffChar_ = 19;
  unsigned char ErrorChar_ = 0, EofChar_ = 0, EvtChar_ = 0;
  TNotifyEvent OnCreate_, OnOpen_, OnClose_;
  TNotifyEvent OnBREAK_, OnCTS_, OnDSR_, OnERR_, OnRING_, OnRLSD_, OnRXCHAR_, OnRXFLAG_, OnTXEMPTY_, OnPACKET_;
  TSerialEventHost* host_ = nullptr;

  int fd_ = -1;
  std::string last_error_;
  // The values of the session, fixed at Open.
  int open_readinterval_ = 0, open_rxtimeout_ = 0, open_txtimeout_ = 0, open_flowflag_ = 0;
  unsigned char open_evtchar_ = 0;
  std::uint32_t mask_ = 0;
  std::shared_ptr<tcommthread> thread_;
  // Bytes taken from the driver and not yet returned by a read.
  mutable std::mutex rx_mutex_;
  std::string rx_pending_;
};

}  // namespace tamber
