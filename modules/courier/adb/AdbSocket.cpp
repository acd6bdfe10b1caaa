#include "modules/courier/adb/AdbSocket.h"

#include <ws2tcpip.h>

WinsockSession::WinsockSession() {
  WSADATA data;
  m_ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (m_ok) WSACleanup();
}

bool AdbConnections::Add(AdbSocket* socket) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_closed) return false;
  m_open[socket] = std::this_thread::get_id();
  return true;
}

void AdbConnections::Forget(AdbSocket* socket) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_open.erase(socket);
}

// Under the lock: a socket being destroyed waits in Forget until its abort is done.
void AdbConnections::AbortOpenedBy(std::thread::id opener) {
  std::lock_guard<std::mutex> lock(m_lock);
  for (const auto& entry : m_open)
    if (entry.second == opener) entry.first->Abort();
}

void AdbConnections::Close() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_closed = true;
  for (const auto& entry : m_open) entry.first->Abort();
}

void AdbConnections::Reopen() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_closed = false;
}

AdbSocket::~AdbSocket() {
  if (m_watchers) m_watchers->Forget(this);
  if (m_socket != INVALID_SOCKET) closesocket(m_socket);
}

bool AdbSocket::Connect(uint16_t port, uint32_t timeoutMs, uint32_t readTimeoutMs) {
  m_readTimeoutMs = readTimeoutMs;
  {
    std::lock_guard<std::mutex> lock(m_handleLock);
    if (m_aborted) return false;
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  }
  if (m_socket == INVALID_SOCKET) return false;
  BOOL noDelay = TRUE;
  setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
  // Room for several sync chunks, so a pull's reads come back full.
  int receiveBuffer = 1 << 20;
  setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof(receiveBuffer));
  DWORD sendTimeout = readTimeoutMs;
  setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof(sendTimeout));

  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // Non-blocking for the connect only, so that a firewall that swallows it cannot hang us.
  u_long nonBlocking = 1;
  ioctlsocket(m_socket, FIONBIO, &nonBlocking);
  if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(m_socket, &writable);
    FD_SET(m_socket, &failed);
    timeval wait = {static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    if (select(0, nullptr, &writable, &failed, &wait) != 1 || !FD_ISSET(m_socket, &writable)) return false;
  }
  nonBlocking = 0;
  ioctlsocket(m_socket, FIONBIO, &nonBlocking);
  SetReadTimeout(readTimeoutMs);
  return !m_aborted;
}

int AdbSocket::WaitReadable(uint32_t milliseconds) {
  if (m_socket == INVALID_SOCKET || m_aborted) return -1;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(m_socket, &readable);
  timeval wait = {static_cast<long>(milliseconds / 1000), static_cast<long>((milliseconds % 1000) * 1000)};
  const int ready = select(0, &readable, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR || m_aborted) return -1;
  return ready > 0 ? 1 : 0;
}

bool AdbSocket::Write(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0 && !m_aborted) {
    const int sent = send(m_socket, bytes, static_cast<int>(size > 1 << 20 ? 1 << 20 : size), 0);
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return size == 0;
}

void AdbSocket::SetReadTimeout(uint32_t milliseconds) {
  m_readTimeoutMs = milliseconds;
  if (m_socket == INVALID_SOCKET) return;
  DWORD timeout = milliseconds;
  setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
}

// The receive timeout bounds the wait: no select before each read, which would double the
// system calls of a pull. A read that timed out leaves the connection unusable, and it is
// never used again.
int64_t AdbSocket::ReadSome(void* buffer, size_t size) {
  if (m_socket == INVALID_SOCKET || m_aborted) return -1;
  const int got = recv(m_socket, static_cast<char*>(buffer), static_cast<int>(size > 1 << 20 ? 1 << 20 : size), 0);
  if (got < 0 || m_aborted) return -1;
  return got;
}

bool AdbSocket::Watch(std::shared_ptr<AdbConnections> connections) {
  if (!connections->Add(this)) {
    Abort();
    return false;
  }
  m_watchers = std::move(connections);
  return true;
}

void AdbSocket::Abort() {
  std::lock_guard<std::mutex> lock(m_handleLock);
  m_aborted = true;
  if (m_socket != INVALID_SOCKET) shutdown(m_socket, SD_BOTH);
}
