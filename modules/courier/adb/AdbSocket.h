// A TCP connection to the adb server on this PC, as an AdbStream. Every read waits at most the
// timeout (a hung server never holds a service thread for good), and another thread may Abort
// a connection to end a wait at once (the service stopping).
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <mutex>

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

 private:
  SOCKET m_socket = INVALID_SOCKET;
  uint32_t m_readTimeoutMs = 5000;
  std::atomic<bool> m_aborted{false};
};
