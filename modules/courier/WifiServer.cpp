#include "modules/courier/WifiServer.h"

#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

// One select round waits at most this long, so answers and edits from other threads go out
// within it and Stop is seen.
constexpr long kRoundMicroseconds = 50 * 1000;
constexpr size_t kReadChunk = 64 * 1024;
// A peer gets at most this much read per round, so one fast sender never starves the others.
constexpr size_t kReadPerRound = 4 * kReadChunk;

std::wstring AddressText(const in_addr& address) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&address.s_addr);
  return std::to_wstring(b[0]) + L"." + std::to_wstring(b[1]) + L"." + std::to_wstring(b[2]) + L"." +
         std::to_wstring(b[3]);
}

void SetNonBlocking(SOCKET s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}

}  // namespace

std::wstring ActiveNetworkAddress() {
  // The route to an address off this network (a documentation address; nothing is sent) is
  // the default route; its interface is the one phones on the same network can reach.
  DWORD best = 0;
  in_addr probe = {};
  probe.s_addr = htonl(0xC6336401);  // 198.51.100.1
  if (GetBestInterface(probe.s_addr, &best) != NO_ERROR) return std::wstring();
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return std::wstring();
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
    if (adapter->IfIndex != best || adapter->OperStatus != IfOperStatusUp) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      const in_addr ip = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
      if ((ntohl(ip.s_addr) >> 24) == 127) continue;
      return AddressText(ip);
    }
  }
  return std::wstring();
}

WifiServer::WifiServer(Hooks hooks, WorkerThread::FailureSink onFailure)
    : m_hooks(std::move(hooks)), m_thread(std::move(onFailure)) {
  WSADATA data;
  m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WifiServer::~WifiServer() {
  Stop();
  if (m_winsock) WSACleanup();
}

bool WifiServer::Open(std::wstring& address, int32_t& port, std::wstring& failure) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_winsock) {
    failure = L"Windows networking could not be started, so phones cannot connect over Wi-Fi.";
    return false;
  }
  if (m_listener == INVALID_SOCKET) {
    std::wstring chosen = ActiveNetworkAddress();
    if (chosen.empty()) chosen = L"127.0.0.1";
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    InetPtonW(AF_INET, chosen.c_str(), &local.sin_addr);
    SOCKET listener = INVALID_SOCKET;
    for (int i = 0; i < kPortsTried && listener == INVALID_SOCKET; ++i) {
      listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      if (listener == INVALID_SOCKET) break;
      // No other program may take over the port while phones are told to use it.
      BOOL exclusive = TRUE;
      setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof(exclusive));
      local.sin_port = htons(static_cast<u_short>(kDefaultPort + i));
      if (bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0 ||
          listen(listener, SOMAXCONN) != 0) {
        closesocket(listener);
        listener = INVALID_SOCKET;
      } else {
        m_port = kDefaultPort + i;
      }
    }
    if (listener == INVALID_SOCKET) {
      const int error = WSAGetLastError();
      BASTrace("libCourier: no Wi-Fi listener on %ls, GetLastError: %d", chosen.c_str(), error);
      failure = L"No port from " + std::to_wstring(kDefaultPort) + L" to " +
                std::to_wstring(kDefaultPort + kPortsTried - 1) + L" could be opened on " + chosen +
                L" (error " + std::to_wstring(error) + L"). Close the program that uses them, or allow this program in the firewall, and try again.";
      return false;
    }
    SetNonBlocking(listener);
    m_listener = listener;
    m_address = chosen;
  }
  m_listenUntilMs = NowMs() + kListenLimitMs;
  if (!m_threadStarted) {
    m_threadStarted = m_thread.Start() && m_thread.Post([this] { Run(); });
    if (!m_threadStarted) {
      CloseListenerLocked();
      failure = L"The Wi-Fi connection could not be started. Please try again.";
      return false;
    }
  }
  address = m_address;
  port = m_port;
  return true;
}

void WifiServer::CloseListener() {
  std::lock_guard<std::mutex> lock(m_lock);
  CloseListenerLocked();
}

void WifiServer::CloseListenerLocked() {
  if (m_listener == INVALID_SOCKET) return;
  closesocket(m_listener);
  m_listener = INVALID_SOCKET;
  for (auto& connection : m_connections) {
    const wifi::WifiSession::State state = connection->session.state();
    if (state == wifi::WifiSession::State::kHello || state == wifi::WifiSession::State::kConfirm)
      connection->session.Leave("this PC no longer accepts phones");
  }
}

bool WifiServer::Answer(int64_t ticket, bool accept) {
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto& connection : m_connections) {
    if (connection->ticket != ticket || connection->session.state() != wifi::WifiSession::State::kConfirm) continue;
    connection->session.Answer(accept, NowMs());
    return true;
  }
  return false;
}

WifiServer::Connection* WifiServer::FindServing(const std::wstring& address) {
  for (auto& connection : m_connections) {
    if (connection->session.state() == wifi::WifiSession::State::kServing && connection->session.address() == address)
      return connection.get();
  }
  return nullptr;
}

void WifiServer::SendSave(const std::wstring& address, const DemoContact& contact,
                          const std::vector<DemoGroup>& groups) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (Connection* connection = FindServing(address)) connection->session.SendSave(contact, groups);
}

void WifiServer::SendDelete(const std::wstring& address, const std::vector<std::wstring>& identifiers) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (Connection* connection = FindServing(address)) connection->session.SendDelete(identifiers);
}

void WifiServer::Disconnect(const std::wstring& address) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (Connection* connection = FindServing(address)) connection->session.Leave("removed on the PC");
}

void WifiServer::Stop() {
  m_thread.Stop();
  if (IsServerThread()) return;
  std::lock_guard<std::mutex> lock(m_lock);
  CloseListenerLocked();
  for (auto& connection : m_connections) {
    connection->session.Leave("the program ends");
    Flush(*connection);
    closesocket(connection->socket);
  }
  m_connections.clear();
}

bool WifiServer::IsListening() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_listener != INVALID_SOCKET;
}

size_t WifiServer::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_connections.size();
}

int64_t WifiServer::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_origin).count();
}

void WifiServer::Run() {
  std::vector<Happening> happenings;
  while (!m_thread.IsStopping()) {
    happenings.clear();
    bool idle = false;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      idle = m_listener == INVALID_SOCKET && m_connections.empty();
    }
    if (idle) {
      // Nothing to select on (select refuses empty sets): look again a little later.
      if (!m_thread.Sleep(std::chrono::milliseconds(100))) return;
      continue;
    }
    Round(happenings);
    // The hooks run without the lock: they post to the host and may call back in.
    for (Happening& happening : happenings) {
      if (m_thread.IsStopping()) return;
      switch (happening.event) {
        case wifi::WifiSession::Event::kHello:
          if (m_hooks.onHello) m_hooks.onHello(happening.ticket, happening.phone);
          break;
        case wifi::WifiSession::Event::kReady:
          if (m_hooks.onReady) m_hooks.onReady(std::move(happening.phone));
          break;
        case wifi::WifiSession::Event::kGone:
          if (m_hooks.onGone) m_hooks.onGone(happening.address);
          break;
        case wifi::WifiSession::Event::kNone:
          break;
      }
    }
  }
}

void WifiServer::Round(std::vector<Happening>& happenings) {
  fd_set readable, writable;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (NowMs() >= m_listenUntilMs) CloseListenerLocked();
    if (m_listener != INVALID_SOCKET) FD_SET(m_listener, &readable);
    for (auto& connection : m_connections) {
      FD_SET(connection->socket, &readable);
      if (!connection->outgoing.empty()) FD_SET(connection->socket, &writable);
    }
  }
  // The sockets stay open while the lock is released: only this thread closes them.
  timeval wait = {0, kRoundMicroseconds};
  const int ready = select(0, &readable, &writable, nullptr, &wait);
  std::lock_guard<std::mutex> lock(m_lock);
  const int64_t now = NowMs();
  if (ready == SOCKET_ERROR) {
    BASTrace("libCourier: Wi-Fi select failed, GetLastError: %d", WSAGetLastError());
    Sleep(50);
  } else {
    if (m_listener != INVALID_SOCKET && FD_ISSET(m_listener, &readable)) AcceptPeers(now);
    std::vector<char> chunk(kReadChunk);
    for (auto& connection : m_connections) {
      if (!FD_ISSET(connection->socket, &readable)) continue;
      for (size_t total = 0; total < kReadPerRound;) {
        const int got = recv(connection->socket, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (got > 0) {
          Note(*connection, connection->session.OnBytes(chunk.data(), static_cast<size_t>(got), now), happenings);
          total += static_cast<size_t>(got);
          if (connection->session.state() == wifi::WifiSession::State::kClosed) break;
          continue;
        }
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) break;
        Note(*connection, connection->session.OnPeerClosed(), happenings);
        break;
      }
    }
  }
  for (auto& connection : m_connections) {
    Note(*connection, connection->session.OnTick(now), happenings);
    if (!Flush(*connection)) {
      connection->outgoing.clear();
      Note(*connection, connection->session.Leave("the phone does not read what is sent"), happenings);
      connection->session.TakeOutgoing();
    }
  }
  // A closed session's last words were given one try; then the socket goes.
  m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                     [](const std::unique_ptr<Connection>& connection) {
                                       if (connection->session.state() != wifi::WifiSession::State::kClosed)
                                         return false;
                                       BASTrace("libCourier: Wi-Fi peer %ls: %s", connection->session.address().c_str(),
                                                connection->session.closeReason().c_str());
                                       shutdown(connection->socket, SD_SEND);
                                       closesocket(connection->socket);
                                       return true;
                                     }),
                      m_connections.end());
}

void WifiServer::AcceptPeers(int64_t now) {
  while (true) {
    sockaddr_in peer = {};
    int length = sizeof(peer);
    SOCKET s = accept(m_listener, reinterpret_cast<sockaddr*>(&peer), &length);
    if (s == INVALID_SOCKET) return;
    size_t pending = 0, phones = 0;
    for (auto& connection : m_connections) {
      if (connection->session.state() == wifi::WifiSession::State::kServing)
        ++phones;
      else
        ++pending;
    }
    // More than this many at once is a flood, not phones: closed before a byte is read.
    if (pending >= kMaxPending || phones + pending >= kMaxPending + kMaxPhones || peer.sin_family != AF_INET) {
      closesocket(s);
      continue;
    }
    SetNonBlocking(s);
    m_connections.push_back(std::make_unique<Connection>(s, AddressText(peer.sin_addr), now, m_nextTicket++));
  }
}

void WifiServer::Note(Connection& connection, wifi::WifiSession::Event event, std::vector<Happening>& happenings) {
  if (event == wifi::WifiSession::Event::kNone) return;
  Happening happening{event, connection.ticket, connection.session.address(), DemoPhone()};
  if (event == wifi::WifiSession::Event::kHello) {
    happening.phone = connection.session.phone();
  } else if (event == wifi::WifiSession::Event::kReady) {
    // At most phones kMaxPhones are served; a later one is told so.
    size_t phones = 0;
    for (auto& other : m_connections) phones += other->session.state() == wifi::WifiSession::State::kServing ? 1 : 0;
    if (phones > kMaxPhones) {
      connection.session.Leave("too many phones are connected");
      return;
    }
    // The same phone connected again: the new connection replaces the old one.
    for (auto& other : m_connections) {
      if (other.get() != &connection && other->session.address() == connection.session.address())
        other->session.Leave("replaced by a new connection");
    }
    happening.phone = std::move(connection.session.phone());
  }
  happenings.push_back(std::move(happening));
}

bool WifiServer::Flush(Connection& connection) {
  connection.outgoing += connection.session.TakeOutgoing();
  while (!connection.outgoing.empty()) {
    const int sent = send(connection.socket, connection.outgoing.data(),
                          static_cast<int>(std::min<size_t>(connection.outgoing.size(), 1 << 20)), 0);
    if (sent <= 0) break;  // the socket's buffer is full: the rest goes when it is writable
    connection.outgoing.erase(0, static_cast<size_t>(sent));
  }
  return connection.outgoing.size() <= wifi::kMaxOutgoingBytes;
}
