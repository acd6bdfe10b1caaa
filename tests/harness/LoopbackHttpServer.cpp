#include "tests/harness/LoopbackHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>

LoopbackHttpServer::LoopbackHttpServer() {
  WSADATA data;
  m_wsa = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

LoopbackHttpServer::~LoopbackHttpServer() {
  Stop();
  if (m_wsa) WSACleanup();
}

bool LoopbackHttpServer::Start() {
  m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (m_listener == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listener, 16) != 0 ||
      getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return false;
  m_port = ntohs(address.sin_port);
  m_acceptor = std::thread([this] { Accept(); });
  return true;
}

void LoopbackHttpServer::Stop() {
  m_stopping = true;
  if (m_acceptor.joinable()) m_acceptor.join();
  if (m_listener != INVALID_SOCKET) closesocket(m_listener);
  m_listener = INVALID_SOCKET;
  std::vector<std::thread> clients;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    clients.swap(m_clients);
  }
  for (std::thread& client : clients) client.join();
}

void LoopbackHttpServer::Route(const std::string& path, const HttpRoute& route) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_routes[path] = route;
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::wstring LoopbackHttpServer::WideUrl(const std::string& path) const {
  const std::string url = Url(path);
  return std::wstring(url.begin(), url.end());
}

int LoopbackHttpServer::Requests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_requests.find(path);
  return it == m_requests.end() ? 0 : it->second;
}

bool LoopbackHttpServer::PauseUnlessStopped(DWORD ms) const {
  for (DWORD waited = 0; waited < ms; waited += 10) {
    if (m_stopping) return false;
    Sleep(10);
  }
  return !m_stopping;
}

void LoopbackHttpServer::Accept() {
  while (!m_stopping) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_listener, &readable);
    timeval wait = {0, 50000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET client = accept(m_listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    std::lock_guard<std::mutex> lock(m_lock);
    m_clients.emplace_back([this, client] { Serve(client); });
  }
}

void LoopbackHttpServer::Serve(SOCKET client) {
  ++m_open;
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const int count = recv(client, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    request.append(buffer, count);
  }
  std::string path;
  const size_t space = request.find(' ');
  if (space != std::string::npos) path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
  HttpRoute route;
  bool known = false;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_requests[path];
    auto it = m_routes.find(path);
    if (it != m_routes.end()) {
      route = it->second;
      known = true;
    }
  }
  if (!known) route.status = 404;
  const uint64_t size = route.fillBytes ? route.fillBytes : route.body.size();
  std::string head = "HTTP/1.0 " + std::to_string(route.status) + " Test\r\nConnection: close\r\n";
  if (route.announceLength) head += "Content-Length: " + std::to_string(size) + "\r\n";
  for (const auto& header : route.headers) head += header.first + ": " + header.second + "\r\n";
  head += "\r\n";
  bool alive = send(client, head.data(), static_cast<int>(head.size()), 0) == static_cast<int>(head.size());
  const std::string filler(64 * 1024, 'x');
  const uint64_t piece = route.pieceBytes ? route.pieceBytes : 64 * 1024;
  for (uint64_t sent = 0; alive && sent < size && sent < route.breakAfter;) {
    if (sent > 0 && route.pieceDelayMs && !PauseUnlessStopped(route.pieceDelayMs)) break;
    const uint64_t count = std::min<uint64_t>({piece, size - sent, route.breakAfter - sent, filler.size()});
    const char* bytes = route.fillBytes ? filler.data() : route.body.data() + sent;
    alive = send(client, bytes, static_cast<int>(count), 0) == static_cast<int>(count);
    sent += count;
    if (alive) m_sent += count;
  }
  if (route.breakAfter != UINT64_MAX) {
    // A server that fails mid-way resets the connection rather than ending it cleanly.
    linger hard = {1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
  } else {
    shutdown(client, SD_SEND);
  }
  closesocket(client);
  --m_open;
}
