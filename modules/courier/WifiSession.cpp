#include "modules/courier/WifiSession.h"

#include <utility>

namespace wifi {

WifiSession::WifiSession(std::wstring address, int64_t nowMs)
    : m_address(std::move(address)), m_deadlineMs(nowMs + kHelloTimeoutMs), m_lastHeardMs(nowMs) {}

WifiSession::Event WifiSession::OnBytes(const char* data, size_t size, int64_t nowMs) {
  if (m_state == State::kClosed) return Event::kNone;
  if (!m_reader.Feed(data, size)) return Fail(m_reader.error());
  m_lastHeardMs = nowMs;
  Event result = Event::kNone;
  std::string frame;
  while (m_state != State::kClosed && m_reader.Next(frame)) {
    const Event event = OnFrame(frame, nowMs);
    if (event != Event::kNone) result = event;
  }
  if (m_reader.Failed() && m_state != State::kClosed) return Fail(m_reader.error());
  return result;
}

WifiSession::Event WifiSession::OnFrame(const std::string& frame, int64_t nowMs) {
  Message message;
  std::string error;
  if (!ParseMessage(frame, message, error)) return Fail(error);
  if (message.type == "bye") return Close("the phone left");
  if (message.type == "ping") {
    Send(PongMessage());
    return Event::kNone;
  }
  if (message.type == "pong" || message.type == "error") return Event::kNone;
  switch (m_state) {
    case State::kHello:
      if (!ReadHello(message, m_address, m_phone, error)) return Fail(error);
      m_state = State::kConfirm;
      m_deadlineMs = nowMs + kConfirmTimeoutMs;
      Send(WelcomeMessage());
      return Event::kHello;
    case State::kConfirm:
      return Fail("\"" + message.type.substr(0, 40) + "\" before the user answered");
    case State::kListing:
      if (message.type == "contacts") {
        if (!ReadContactBatch(message, m_phone.groups, m_phone.contacts, error)) return Fail(error);
        return Event::kNone;
      }
      if (message.type == "contacts.end") {
        m_state = State::kServing;
        m_lastPingMs = nowMs;
        return Event::kReady;
      }
      return Fail("\"" + message.type.substr(0, 40) + "\" while the contacts are listed");
    case State::kServing:
      // Acknowledgements and whatever a later version adds are not this PC's concern.
      return Event::kNone;
    case State::kClosed:
      break;
  }
  return Event::kNone;
}

WifiSession::Event WifiSession::OnTick(int64_t nowMs) {
  switch (m_state) {
    case State::kHello:
      if (nowMs >= m_deadlineMs) return Fail("no hello in time");
      break;
    case State::kConfirm:
      if (nowMs >= m_deadlineMs) {
        Send(DeclinedMessage("the user did not answer"));
        return Close("the user did not answer");
      }
      break;
    case State::kListing:
      if (nowMs >= m_deadlineMs) return Fail("the contacts did not arrive in time");
      break;
    case State::kServing:
      if (nowMs - m_lastHeardMs >= kSilenceLimitMs) {
        Close("the phone stopped answering");
        return Event::kGone;
      }
      if (nowMs - m_lastHeardMs >= kPingAfterMs && nowMs - m_lastPingMs >= kPingAfterMs) {
        m_lastPingMs = nowMs;
        Send(PingMessage());
      }
      break;
    case State::kClosed:
      break;
  }
  return Event::kNone;
}

WifiSession::Event WifiSession::OnPeerClosed() {
  const bool wasServing = m_state == State::kServing;
  Close("the phone closed the connection");
  return wasServing ? Event::kGone : Event::kNone;
}

void WifiSession::Answer(bool accepted, int64_t nowMs) {
  if (m_state != State::kConfirm) return;
  if (!accepted) {
    Send(DeclinedMessage("the user declined"));
    Close("the user declined");
    return;
  }
  m_state = State::kListing;
  m_deadlineMs = nowMs + kListTimeoutMs;
  m_lastHeardMs = nowMs;
  Send(AcceptedMessage());
  Send(ListContactsMessage());
}

WifiSession::Event WifiSession::Leave(const std::string& reason) {
  if (m_state == State::kClosed) return Event::kNone;
  Send(ByeMessage(reason));
  return Close(reason);
}

void WifiSession::SendSave(const DemoContact& contact, const std::vector<DemoGroup>& groups) {
  if (m_state == State::kServing) Send(SaveContactMessage(contact, groups));
}

void WifiSession::SendDelete(const std::vector<std::wstring>& identifiers) {
  if (m_state == State::kServing && !identifiers.empty()) Send(DeleteContactsMessage(identifiers));
}

std::string WifiSession::TakeOutgoing() { return std::exchange(m_outgoing, std::string()); }

WifiSession::Event WifiSession::Fail(const std::string& reason) {
  const bool wasServing = m_state == State::kServing;
  Send(ErrorMessage(reason));
  Close(reason);
  return wasServing ? Event::kGone : Event::kNone;
}

WifiSession::Event WifiSession::Close(const std::string& reason) {
  const bool wasServing = m_state == State::kServing;
  if (m_state != State::kClosed) m_closeReason = reason;
  m_state = State::kClosed;
  return wasServing ? Event::kGone : Event::kNone;
}

void WifiSession::Send(const std::string& json) {
  if (m_state == State::kClosed) return;
  const std::string frame = EncodeFrame(json);
  // A message over the bound (a contact with a huge picture) is not sent rather than cut.
  if (frame.empty()) return;
  if (m_outgoing.size() + frame.size() > kMaxOutgoingBytes) {
    Close("the phone does not read what is sent");
    return;
  }
  m_outgoing += frame;
}

}  // namespace wifi
