// A small HTTP/1.0 server on 127.0.0.1 for tests of the network code: each path answers as
// its route says, fast or slowly, whole or broken off, so the client's handling of every case
// can be driven without the internet.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct HttpRoute {
  int status = 200;
  std::string body;
  uint64_t fillBytes = 0;  // instead of `body`: that many bytes of 'x'
  std::vector<std::pair<std::string, std::string>> headers;
  bool announceLength = true;
  size_t pieceBytes = 0;             // 0: everything in one send
  DWORD pieceDelayMs = 0;            // pause before each piece after the first
  uint64_t breakAfter = UINT64_MAX;  // drop the connection after this many body bytes
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Listens on a free port; false when no socket could be had.
  bool Start();
  void Stop();
  void Route(const std::string& path, const HttpRoute& route);
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;
  std::wstring WideUrl(const std::string& path) const;
  int Requests(const std::string& path) const;
  // Connections whose answer is still being sent.
  int Open() const { return m_open.load(); }
  // Body bytes sent so far, over every answer.
  uint64_t BytesSent() const { return m_sent.load(); }

 private:
  void Accept();
  void Serve(SOCKET client);
  bool PauseUnlessStopped(DWORD ms) const;

  SOCKET m_listener = INVALID_SOCKET;
  int m_port = 0;
  bool m_wsa = false;
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_open{0};
  std::atomic<uint64_t> m_sent{0};
  mutable std::mutex m_lock;
  std::map<std::string, HttpRoute> m_routes;
  std::map<std::string, int> m_requests;
  std::thread m_acceptor;
  std::vector<std::thread> m_clients;
};
