#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "serial/pty.h"
#include "serial/rs232c.h"

namespace tamber {
namespace {

using test::MsSince;
using test::PtyPair;
using test::WaitFor;
using Clock = std::chrono::steady_clock;

// The test thread plays the user-interface thread.
class SerialEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Setportname(pty.Path());
    port.Setrxtimeout(2000);
    port.Settxtimeout(2000);
    port.SetEventHost(&host);
  }
  // Runs deliveries until cond holds.
  bool PumpUntil(const std::function<bool()>& cond, int timeout_ms = 3000) {
    const auto t0 = Clock::now();
    while (!cond()) {
      if (MsSince(t0) > timeout_ms) return false;
      host.ProcessPending(10);
    }
    return true;
  }
  // Runs deliveries for a while and returns how many ran.
  int PumpFor(int ms) {
    int ran = 0;
    const auto t0 = Clock::now();
    while (MsSince(t0) < ms) ran += host.ProcessPending(10);
    return ran;
  }
  PtyPair pty;
  TSerialQueueHost host;
  Trs232c port;
  std::vector<std::string> log;
};

TEST_F(SerialEventsTest, OnlyAssignedHandlersStartTheThread) {
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.CommThread(), nullptr);
  EXPECT_EQ(port.EventMask(), 0u);
  EXPECT_TRUE(port.Close());

  port.SetOnPACKET([](TObject&) {});
  port.SetOnTXEMPTY([](TObject&) {});
  port.SetOnCTS([](TObject&) {});
  ASSERT_TRUE(port.Open());
  ASSERT_NE(port.CommThread(), nullptr);
  EXPECT_EQ(port.EventMask(), evRXCHAR | evTXEMPTY | evCTS);
  EXPECT_TRUE(port.Close());
  EXPECT_EQ(port.CommThread(), nullptr);
}

TEST_F(SerialEventsTest, ReceivedBytesAreReportedOnTheInterfaceThread) {
  std::thread::id ran_on;
  const tcommthread* sender = nullptr;
  std::uint32_t events = 0;
  int count = 0;
  port.SetOnRXCHAR([&](TObject& s) {
    ran_on = std::this_thread::get_id();
    sender = dynamic_cast<tcommthread*>(&s);
    events = sender ? sender->EventMask() : 0;
    count = sender ? sender->RxCountAtEvent() : -1;
    log.push_back("rx");
  });
  ASSERT_TRUE(port.Open());
  pty.Send("N10");
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_EQ(sender, port.CommThread());
  EXPECT_EQ(events & evRXCHAR, evRXCHAR);
  // Reading the bytes raises no event, and unread bytes are not reported again.
  ASSERT_TRUE(PumpUntil([&] { return count == 3; }));
  std::string got;
  ASSERT_TRUE(port.Read(got, 3));
  EXPECT_EQ(got, "N10");
  const std::size_t seen = log.size();
  EXPECT_EQ(PumpFor(100), 0);
  EXPECT_EQ(log.size(), seen);
  pty.Send("G0");
  EXPECT_TRUE(PumpUntil([&] { return log.size() > seen; }));
}

TEST_F(SerialEventsTest, PacketComesWhenTheQueueReachesItsSize) {
  port.Setpacketsize(4);
  port.SetOnPACKET([&](TObject& s) {
    log.push_back("packet");
    EXPECT_EQ(static_cast<tcommthread&>(s).RxCountAtEvent(), 0);
  });
  port.SetOnRXCHAR([&](TObject& s) { log.push_back("rx " + std::to_string(static_cast<tcommthread&>(s).RxCountAtEvent())); });
  ASSERT_TRUE(port.Open());
  pty.Send("abc");
  ASSERT_TRUE(PumpUntil([&] { return !log.empty() && log.back() == "rx 3"; })) << log.size();
  PumpFor(50);
  for (const auto& e : log) EXPECT_NE(e, "packet");
  log.clear();
  pty.Send("d");
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"packet", "rx 0"}));
}

TEST_F(SerialEventsTest, EventCharacterIsReportedAndItsBytesStayReadable) {
  port.SetEvtChar('\n');
  port.SetOnRXFLAG([&](TObject&) { log.push_back("flag"); });
  ASSERT_TRUE(port.Open());
  pty.Send("G01");
  EXPECT_EQ(PumpFor(100), 0) << "no event character yet";
  pty.Send("\nM30");
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  std::string got;
  ASSERT_TRUE(port.Read(got, 7));
  EXPECT_EQ(got, "G01\nM30");
  // A read waiting while the thread takes the bytes still gets them.
  std::thread machine([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty.Send("X1\n");
  });
  ASSERT_TRUE(port.Read(got, 3));
  EXPECT_EQ(got, "X1\n");
  machine.join();
}

TEST_F(SerialEventsTest, SendQueueEmptyFollowsAWrite) {
  port.SetOnTXEMPTY([&](TObject&) { log.push_back("empty"); });
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(PumpFor(50), 0);
  ASSERT_TRUE(port.Write("%\n"));
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  EXPECT_EQ(pty.Receive(2), "%\n");
  EXPECT_EQ(PumpFor(50), 0);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(SerialEventsTest, UnplugGivesOneErrorAndEndsTheThread) {
  int errors = 0;
  port.SetOnERR([&](TObject&) { ++errors; });
  port.SetOnRXCHAR([&](TObject&) {});
  ASSERT_TRUE(port.Open());
  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return errors > 0; }));
  EXPECT_EQ(PumpFor(200), 0) << "the thread went on after the failure";
  EXPECT_EQ(errors, 1);
  EXPECT_TRUE(port.Close());
}

TEST_F(SerialEventsTest, CloseFromAHandlerEndsTheSession) {
  int calls = 0;
  port.SetOnRXCHAR([&](TObject& sender) {
    ++calls;
    EXPECT_TRUE(port.Close());
    // The sender outlives the call that stopped it.
    EXPECT_EQ(static_cast<tcommthread&>(sender).Owner(), nullptr);
  });
  int later = 0;
  port.SetOnTXEMPTY([&](TObject&) { ++later; });
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write("x"));
  pty.Send("y");
  ASSERT_TRUE(PumpUntil([&] { return calls > 0 || later > 0; }));
  if (calls == 0) {
    ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
  }
  EXPECT_FALSE(port.IsOpen());
  pty.Send("z");
  EXPECT_EQ(PumpFor(100), 0);
  EXPECT_EQ(calls, 1);
  // And the port opens again.
  EXPECT_TRUE(port.Open());
}

TEST_F(SerialEventsTest, CloseFromAHandlerWithoutAHostRunsOnTheEventThread) {
  port.SetEventHost(nullptr);
  std::atomic<int> calls{0};
  std::atomic<bool> closed{false};
  port.SetOnRXCHAR([&](TObject&) {
    ++calls;
    closed = port.Close();
  });
  ASSERT_TRUE(port.Open());
  pty.Send("a");
  ASSERT_TRUE(WaitFor([&] { return closed.load(); }));
  pty.Send("b");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(calls, 1);
}

TEST_F(SerialEventsTest, CloseCancelsADeliveryTheInterfaceNeverRan) {
  int calls = 0;
  port.SetOnRXCHAR([&](TObject&) { ++calls; });
  ASSERT_TRUE(port.Open());
  pty.Send("a");
  // The event thread now waits in the hand-over; the interface is busy in Close.
  ASSERT_TRUE(WaitFor([&] { return host.Pending() == 1; }));
  const auto t0 = Clock::now();
  EXPECT_TRUE(port.Close());
  EXPECT_LT(MsSince(t0), 5000);
  EXPECT_EQ(host.ProcessPending(0), 0);
  EXPECT_EQ(calls, 0);
}

TEST_F(SerialEventsTest, DestroyingAnOpenPortStopsItsThread) {
  auto p = std::make_unique<Trs232c>();
  p->Setportname(pty.Path());
  p->SetEventHost(&host);
  p->SetOnRXCHAR([&](TObject&) {});
  ASSERT_TRUE(p->Open());
  pty.Send("a");
  ASSERT_TRUE(WaitFor([&] { return host.Pending() == 1; }));
  p.reset();
  EXPECT_EQ(host.ProcessPending(0), 0);
}

TEST_F(SerialEventsTest, OpenAndCloseRaceWithTraffic) {
  std::atomic<bool> done{false};
  std::thread machine([&] {
    while (!done) {
      pty.Send("G1X1\n");
      pty.ReceiveAll(1);
    }
  });
  int calls = 0;
  port.SetEvtChar('\n');
  port.SetOnRXCHAR([&](TObject&) { ++calls; });
  port.SetOnRXFLAG([&](TObject&) { ++calls; });
  port.SetOnTXEMPTY([&](TObject&) { ++calls; });
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(port.Open()) << port.LastError();
    port.Write("ok\n");
    host.ProcessPending(i % 3);
    if (i % 2) {
      std::string got;
      port.Read(got, 2);
    }
    ASSERT_TRUE(port.Close());
  }
  done = true;
  machine.join();
  EXPECT_EQ(host.ProcessPending(0), 0);
  EXPECT_GT(calls, 0);
}

TEST(SerialHandOver, RunsOnceOrNotAtAllWhenCancelled) {
  int runs = 0;
  auto h = std::make_shared<TSerialHandOver>([&] { ++runs; });
  std::thread waiter([&] { EXPECT_TRUE(h->Wait()); });
  h->Run();
  h->Run();
  waiter.join();
  EXPECT_EQ(runs, 1);

  auto c = std::make_shared<TSerialHandOver>([&] { ++runs; });
  std::thread cancelled([&] { EXPECT_FALSE(c->Wait()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  c->Cancel();
  cancelled.join();
  c->Run();
  EXPECT_EQ(runs, 1);
}

TEST(SerialHandOver, CancelReleasesTheWaiterWhileTheRoutineRuns) {
  std::shared_ptr<TSerialHandOver> h;
  std::atomic<bool> released{false};
  h = std::make_shared<TSerialHandOver>([&] {
    h->Cancel();
    // The waiter goes on before the routine ends.
    EXPECT_TRUE(WaitFor([&] { return released.load(); }));
  });
  std::thread waiter([&] {
    EXPECT_FALSE(h->Wait());
    released = true;
  });
  h->Run();
  waiter.join();
}

}  // namespace
}  // namespace tamber
