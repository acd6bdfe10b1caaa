// The Wi-Fi phones' network side: a TCP listener on this PC's active network address and the
// connections of the phones, all on one thread of the service, each connection a WifiSession.
// The listener is open only while the user shows the QR code (and never longer than
// kListenLimitMs without a new request); a phone that has been accepted stays connected
// after it closes. Everything the phones cause reaches the service through the three hooks,
// called on the network thread without the server's lock held.
#pragma once

#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/WifiSession.h"
#include "modules/courier/WorkerThread.h"

class WifiServer {
 public:
  static constexpr uint16_t kDefaultPort = 28460;
  static constexpr int kPortsTried = 20;  // the next free one when another program holds it
  static constexpr int64_t kListenLimitMs = 10 * 60 * 1000;
  // Peers not accepted yet (hello, waiting for the user, listing) and phones at once; more are
  // closed as soon as they are accepted by the socket.
  static constexpr size_t kMaxPending = 8;
  static constexpr size_t kMaxPhones = 8;

  struct Hooks {
    // A peer said hello: ask the user about `phone`, then call Answer with `ticket`.
    std::function<void(int64_t ticket, const DemoPhone& phone)> onHello;
    // An accepted phone has listed its contacts: it is connected.
    std::function<void(DemoPhone phone)> onReady;
    // A connected phone left or stopped answering.
    std::function<void(const std::wstring& address)> onGone;
  };

  WifiServer(Hooks hooks, WorkerThread::FailureSink onFailure);
  ~WifiServer();  // Stop
  WifiServer(const WifiServer&) = delete;
  WifiServer& operator=(const WifiServer&) = delete;

  // Opens the listener, or keeps the open one open for another kListenLimitMs; the address
  // and port the phone must reach. False when no socket could be opened, with the reason in
  // words the user can act on.
  bool Open(std::wstring& address, int32_t& port, std::wstring& failure);
  // No QR code is shown any more: no new phone may connect. Peers that were not accepted yet
  // are dropped; accepted phones stay.
  void CloseListener();
  // The user's answer to onHello; false when the peer no longer waits for it (it left, or
  // waited too long), so the user can be told.
  bool Answer(int64_t ticket, bool accept);
  // A change made on this PC for the connected phone at `address`.
  void SendSave(const std::wstring& address, const DemoContact& contact, const std::vector<DemoGroup>& groups);
  void SendDelete(const std::wstring& address, const std::vector<std::wstring>& identifiers);
  // The user removed the phone: it is told so and disconnected.
  void Disconnect(const std::wstring& address);
  // Closes everything and joins the thread.
  void Stop();

  bool IsServerThread() const { return m_thread.IsWorkerThread(); }
  bool IsListening() const;
  size_t ConnectionCount() const;

 private:
  struct Connection {
    Connection(SOCKET s, std::wstring address, int64_t nowMs, int64_t id)
        : socket(s), session(std::move(address), nowMs), ticket(id) {}
    SOCKET socket;
    wifi::WifiSession session;
    std::string outgoing;  // taken from the session, not yet accepted by the socket
    int64_t ticket;
  };
  struct Happening {
    wifi::WifiSession::Event event;
    int64_t ticket;
    std::wstring address;
    DemoPhone phone;
  };

  void Run();
  void Round(std::vector<Happening>& happenings);  // one select round, under m_lock
  void AcceptPeers(int64_t now);
  void Note(Connection& connection, wifi::WifiSession::Event event, std::vector<Happening>& happenings);
  bool Flush(Connection& connection);  // false when too much waits for a peer that does not read
  void CloseListenerLocked();
  Connection* FindServing(const std::wstring& address);
  int64_t NowMs() const;

  Hooks m_hooks;
  bool m_winsock = false;
  std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
  mutable std::mutex m_lock;
  SOCKET m_listener = INVALID_SOCKET;
  std::wstring m_address;
  int32_t m_port = 0;
  int64_t m_listenUntilMs = 0;
  int64_t m_nextTicket = 1;
  bool m_threadStarted = false;
  std::vector<std::unique_ptr<Connection>> m_connections;
  WorkerThread m_thread;  // declared last: joined before the sockets go
};

// The IPv4 address of the adapter that holds the default route, as text; empty when this PC
// has no network (the caller then listens on the loopback address).
std::wstring ActiveNetworkAddress();
