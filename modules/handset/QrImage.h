// The Wi-Fi dialog's QR code, without a window: the text a phone's app scans (address and
// port), encoded with libqrencode and written by libpng as a small 1-bit palette PNG in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "address:port" in UTF-8.
std::string QrConnectionText(const std::wstring& address, int32_t port);

// 3 pixels a module, a quiet zone of 4 modules on every side, black on white, both opaque,
// 3779 pixels a metre. False with `error` when the text cannot be encoded or written.
bool EncodeQrPng(const std::string& text, std::vector<uint8_t>& png, std::string& error);

// The network the phone must share: the address up to its last "." followed by "X"
// ("192.168.1.X"); an address without "." as it is.
std::wstring NetworkText(const std::wstring& address);
