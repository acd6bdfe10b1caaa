// One Wi-Fi phone's connection as a state machine over bytes and a clock: the hello, the wait
// for the user's answer, the contact list, then serving with keep-alive. The socket side feeds
// it what arrives, sends what it gives back and closes when it says so, so everything a peer
// can do to this PC is tested without sockets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/WifiProtocol.h"

namespace wifi {

// A peer that has not said hello by then is dropped (a port scan, a slow writer).
inline constexpr int64_t kHelloTimeoutMs = 5000;
// The user's answer; longer means the question was left standing.
inline constexpr int64_t kConfirmTimeoutMs = 120000;
// The whole contact list after the user agreed.
inline constexpr int64_t kListTimeoutMs = 60000;
// Keep-alive: a ping after this much silence, and the phone is gone after kSilenceLimitMs.
inline constexpr int64_t kPingAfterMs = 5000;
inline constexpr int64_t kSilenceLimitMs = 15000;
// What may wait to be sent before a phone that does not read is given up.
inline constexpr size_t kMaxOutgoingBytes = 32u << 20;

class WifiSession {
 public:
  enum class State {
    kHello,    // waiting for the phone's hello
    kConfirm,  // the user is asked
    kListing,  // the phone sends its contacts
    kServing,  // a connected phone
    kClosed,   // nothing more is read; the socket closes once Outgoing is sent
  };
  enum class Event {
    kNone,
    kHello,  // the hello was read: ask the user about phone()
    kReady,  // the contacts arrived: the phone is connected
    kGone,   // a phone that was ready left (or stopped answering)
  };

  WifiSession(std::wstring address, int64_t nowMs);

  // What arrived from the peer; returns what the owner must act on.
  Event OnBytes(const char* data, size_t size, int64_t nowMs);
  // The clock's turn: deadlines and keep-alive.
  Event OnTick(int64_t nowMs);
  // The peer closed its side.
  Event OnPeerClosed();
  // The user's answer to the kHello question.
  void Answer(bool accepted, int64_t nowMs);
  // This PC ends the connection (the user removed the phone, the service stops); kGone when
  // a connected phone is left.
  Event Leave(const std::string& reason);

  // Changes made on this PC, for a serving phone.
  void SendSave(const DemoContact& contact, const std::vector<DemoGroup>& groups);
  void SendDelete(const std::vector<std::wstring>& identifiers);

  State state() const { return m_state; }
  const std::wstring& address() const { return m_address; }
  // The phone as the hello described it, with its contacts once kReady was returned.
  DemoPhone& phone() { return m_phone; }
  // Why the connection ended (for the trace); empty while it runs.
  const std::string& closeReason() const { return m_closeReason; }
  // Bytes to send; taken by the socket side.
  std::string TakeOutgoing();
  bool HasOutgoing() const { return !m_outgoing.empty(); }

 private:
  Event OnFrame(const std::string& frame, int64_t nowMs);
  Event Fail(const std::string& reason);  // tells the peer why, then closes
  Event Close(const std::string& reason);
  void Send(const std::string& json);

  std::wstring m_address;
  State m_state = State::kHello;
  FrameReader m_reader;
  std::string m_outgoing;
  std::string m_closeReason;
  DemoPhone m_phone;
  int64_t m_deadlineMs = 0;  // of the hello, the answer or the list
  int64_t m_lastHeardMs = 0;
  int64_t m_lastPingMs = 0;
};

}  // namespace wifi
