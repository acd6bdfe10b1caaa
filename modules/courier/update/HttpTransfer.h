// One HTTP(S) GET through WinHTTP, read in pieces on the calling thread, with timeouts, a size
// limit and a cancel that any thread may call and that cuts even a read that is waiting for a
// stalled server. WinHTTP follows up to ten redirects itself and never from https to http.
#pragma once

#include <windows.h>

#include <winhttp.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class HttpTransfer {
 public:
  enum class Result { kOk, kFailed, kCancelled, kTooLarge };

  struct Limits {
    DWORD resolveMs = 10000;
    DWORD connectMs = 10000;
    DWORD sendMs = 10000;
    DWORD receiveMs = 20000;
    uint64_t maxBytes = 0;  // the most the body may hold
  };
  // The length the server announced (0 when it did not); false refuses the body.
  typedef std::function<bool(uint64_t announced)> HeadersSink;
  // One piece of the body; false stops the transfer as failed.
  typedef std::function<bool(const char* bytes, size_t count)> BodySink;

  HttpTransfer() = default;
  ~HttpTransfer();
  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  // Only a 200 answer is read. Once per object.
  Result Get(const std::wstring& url, const Limits& limits, const HeadersSink& onHeaders, const BodySink& onBody);
  // Any thread, any time, also before Get: the transfer ends as kCancelled.
  void Cancel();
  bool IsCancelled() const { return m_cancelled.load(); }
  // A trace of why the last Get failed.
  const std::string& Failure() const { return m_failure; }

 private:
  Result Fail(const char* step);
  void CloseAll();

  std::atomic<bool> m_cancelled{false};
  std::mutex m_lock;  // the handles, closed by Cancel from another thread
  HINTERNET m_session = nullptr;
  HINTERNET m_connection = nullptr;
  HINTERNET m_request = nullptr;
  std::string m_failure;
};
