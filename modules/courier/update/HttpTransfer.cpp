#include "modules/courier/update/HttpTransfer.h"

#include <cstdio>
#include <vector>

namespace {

constexpr wchar_t kAgent[] = L"ZorvaneSteward-Update/1";
constexpr DWORD kPieceBytes = 64 * 1024;

}  // namespace

HttpTransfer::~HttpTransfer() { CloseAll(); }

void HttpTransfer::CloseAll() {
  std::lock_guard<std::mutex> lock(m_lock);
  // The request first: closing it is what wakes a read blocked inside WinHTTP.
  for (HINTERNET* handle : {&m_request, &m_connection, &m_session}) {
    if (*handle) WinHttpCloseHandle(*handle);
    *handle = nullptr;
  }
}

void HttpTransfer::Cancel() {
  m_cancelled.store(true);
  CloseAll();
}

HttpTransfer::Result HttpTransfer::Fail(const char* step) {
  if (m_cancelled.load()) return Result::kCancelled;
  char line[160];
  std::snprintf(line, sizeof line, "%s GetLastError: %lu", step, GetLastError());
  m_failure = line;
  return Result::kFailed;
}

HttpTransfer::Result HttpTransfer::Get(const std::wstring& url, const Limits& limits, const HeadersSink& onHeaders,
                                       const BodySink& onBody) {
  if (m_cancelled.load()) return Result::kCancelled;
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) || parts.dwHostNameLength == 0 ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
    return Fail("address");
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  HINTERNET request = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_cancelled.load()) return Result::kCancelled;
    m_session =
        WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!m_session) return Fail("session");
    WinHttpSetTimeouts(m_session, static_cast<int>(limits.resolveMs), static_cast<int>(limits.connectMs),
                       static_cast<int>(limits.sendMs), static_cast<int>(limits.receiveMs));
    m_connection = WinHttpConnect(m_session, host.c_str(), parts.nPort, 0);
    if (!m_connection) return Fail("connect");
    const DWORD flags = WINHTTP_FLAG_REFRESH | (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    m_request = WinHttpOpenRequest(m_connection, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                   WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!m_request) return Fail("request");
    request = m_request;
  }
  // Blocking calls run without the lock, so that Cancel can close the handle under them; a
  // closed handle makes them fail, and the cancelled flag says why.
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return Fail("send");
  if (!WinHttpReceiveResponse(request, nullptr)) return Fail("response");

  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                           &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
    return Fail("status");
  if (status != 200) {
    SetLastError(status);
    return Fail("HTTP status");
  }
  uint64_t announced = 0;
  wchar_t lengthText[32] = {};
  DWORD lengthSize = sizeof lengthText;
  if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, lengthText, &lengthSize,
                          WINHTTP_NO_HEADER_INDEX))
    announced = _wcstoui64(lengthText, nullptr, 10);
  if (limits.maxBytes && announced > limits.maxBytes) return Result::kTooLarge;
  if (onHeaders && !onHeaders(announced)) return Fail("announced length");

  std::vector<char> piece(kPieceBytes);
  uint64_t received = 0;
  while (true) {
    // Only what has arrived: a read for more may wait for it, and a cancel would wait too.
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return Fail("wait");
    if (m_cancelled.load()) return Result::kCancelled;
    DWORD count = 0;
    if (available > 0 &&
        !WinHttpReadData(request, piece.data(), available < kPieceBytes ? available : kPieceBytes, &count))
      return Fail("read");
    if (m_cancelled.load()) return Result::kCancelled;
    if (count == 0) break;
    received += count;
    if (limits.maxBytes && received > limits.maxBytes) return Result::kTooLarge;
    if (!onBody(piece.data(), count)) return Fail("body");
  }
  if (announced && received != announced) return Fail("short body");
  return m_cancelled.load() ? Result::kCancelled : Result::kOk;
}
