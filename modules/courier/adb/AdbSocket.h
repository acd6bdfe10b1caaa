// A TCP connection to the adb server on this PC, as an AdbStream. Every read waits at most the
// timeout (a hung server never holds a service thread for good), and another thread may Abort
// a connection to end a wait at once (the service stopping).
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "modules/courier/adb/AdbWire.h"

// Winsock for the life of the object: the host starts it too, but the service must not
// depend on who loaded it.
class WinsockSession {
 public:
  WinsockSession();
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool ok() const { return m_ok; }

 private:
  bool m_ok = false;
};

class AdbSocket;

// The connections of one client that are open now, so that a cancel or the service stopping
// cuts them at once instead of waiting out a silent phone's timeout.
class AdbConnections {
 public:
  // False once closed: the connection is cut before it is used.
  bool Add(AdbSocket* socket);
  void Forget(AdbSocket* socket);
  // Cuts the connections the thread `opener` opened (the job on it was cancelled).
  void AbortOpenedBy(std::thread::id opener);
  // Cuts every connection and every one opened from now on, until Reopen.
  void Close();
  void Reopen();

 private:
  std::mutex m_lock;
  std::map<AdbSocket*, std::thread::id> m_open;
  bool m_closed = false;
};

class AdbSocket : public AdbStream {
 public:
  AdbSocket() = default;
  ~AdbSocket() override;
  AdbSocket(const AdbSocket&) = delete;
  AdbSocket& operator=(const AdbSocket&) = delete;

  // Connects to 127.0.0.1:`port` within `timeoutMs`; reads then wait at most `readTimeoutMs`.
  bool Connect(uint16_t port, uint32_t timeoutMs, uint32_t readTimeoutMs);
  void SetReadTimeout(uint32_t milliseconds);
  // 1: bytes (or the end) can be read now; 0: none came within `milliseconds`; -1: broken.
  int WaitReadable(uint32_t milliseconds);

  bool Write(const void* data, size_t size) override;
  int64_t ReadSome(void* buffer, size_t size) override;

  // From any thread: the connection is shut down, so a waiting read returns at once.
  void Abort();
  // Lets `connections` cut this connection until it is closed; false when they are closed.
  bool Watch(std::shared_ptr<AdbConnections> connections);

 private:
  std::shared_ptr<AdbConnections> m_watchers;
  SOCKET m_socket = INVALID_SOCKET;
  uint32_t m_readTimeoutMs = 5000;
  std::atomic<bool> m_aborted{false};
  std::mutex m_handleLock;  // Abort may come while Connect makes the socket
};
