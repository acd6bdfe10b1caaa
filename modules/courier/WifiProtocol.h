// The Wi-Fi phone protocol (docs/wifi-protocol.md): length-prefixed JSON frames and the texts
// of the messages both sides exchange. Plain code with no sockets or Windows API, so framing,
// the hello and the contact messages are tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/DemoData.h"

namespace wifi {

inline constexpr int kProtocolVersion = 1;
// A frame's JSON text is at most this long; a peer that announces more is dropped at once,
// before a byte of it is kept.
inline constexpr uint32_t kMaxFrameBytes = 1u << 20;
inline constexpr size_t kFrameHeaderBytes = 4;
// Contacts a phone may hand over in all; more would only exhaust this PC's memory.
inline constexpr size_t kMaxContacts = 200000;

// Splits a byte stream into frames: a 4-byte big-endian length, then that many bytes of UTF-8
// JSON. Never keeps more than one frame's bound plus one read.
class FrameReader {
 public:
  // Takes what arrived; false once the stream broke the framing (error() says how).
  bool Feed(const char* data, size_t size);
  // The next whole frame's text; false when none is complete yet.
  bool Next(std::string& frame);
  bool Failed() const { return !m_error.empty(); }
  const std::string& error() const { return m_error; }

 private:
  bool CheckHeader();
  std::string m_buffer;
  size_t m_offset = 0;  // where the unread bytes begin
  std::string m_error;
};

// The frame of `json` (header and text); empty when the text is over the bound.
std::string EncodeFrame(std::string_view json);

// What a peer sent, by its "type": the raw JSON object is kept for the readers below.
struct Message {
  std::string type;
  std::string text;
};
// False with `error` when the text is not one JSON object with a string "type".
bool ParseMessage(const std::string& frame, Message& message, std::string& error);

// The phone's hello: the versions it speaks and its details. `address` (the peer's network
// address) becomes the phone's identifier whatever the phone says; the details are checked as
// strictly as a demo-phones file. False with a one-line `error` on any fault.
bool ReadHello(const Message& hello, const std::wstring& address, DemoPhone& phone, std::string& error);

// One batch of the phone's contacts: a contacts backup document with "type": "contacts".
// Group titles are mapped to the identifiers of `groups`, into which unknown titles are added.
bool ReadContactBatch(const Message& batch, std::vector<DemoGroup>& groups, std::vector<DemoContact>& contacts,
                      std::string& error);

// Messages of this PC.
std::string WelcomeMessage();  // the hello was read; the user is asked
std::string AcceptedMessage();
std::string DeclinedMessage(const std::string& reason);
std::string ListContactsMessage();
std::string PingMessage();
std::string PongMessage();
std::string ByeMessage(const std::string& reason);
std::string ErrorMessage(const std::string& reason);
// A saved (added or changed) contact for the phone to keep under its identifier.
std::string SaveContactMessage(const DemoContact& contact, const std::vector<DemoGroup>& groups);
std::string DeleteContactsMessage(const std::vector<std::wstring>& identifiers);

}  // namespace wifi
