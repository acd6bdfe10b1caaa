#include "modules/courier/update/Sha256.h"

namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

Sha256::Sha256() {
  if (!Succeeded(BCryptOpenAlgorithmProvider(&m_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    m_algorithm = nullptr;
    return;
  }
  DWORD objectSize = 0;
  ULONG written = 0;
  if (!Succeeded(BCryptGetProperty(m_algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                   sizeof objectSize, &written, 0)))
    return;
  m_object.resize(objectSize);
  if (!Succeeded(BCryptCreateHash(m_algorithm, &m_hash, m_object.data(), objectSize, nullptr, 0, 0))) m_hash = nullptr;
}

Sha256::~Sha256() {
  if (m_hash) BCryptDestroyHash(m_hash);
  if (m_algorithm) BCryptCloseAlgorithmProvider(m_algorithm, 0);
}

bool Sha256::Update(const void* bytes, size_t count) {
  if (!m_hash) return false;
  auto* data = static_cast<PUCHAR>(const_cast<void*>(bytes));
  while (count > 0) {
    const ULONG piece = count > 0x40000000 ? 0x40000000 : static_cast<ULONG>(count);
    if (!Succeeded(BCryptHashData(m_hash, data, piece, 0))) return false;
    data += piece;
    count -= piece;
  }
  return true;
}

std::string Sha256::Finish() {
  if (!m_hash) return std::string();
  unsigned char digest[32];
  const bool done = Succeeded(BCryptFinishHash(m_hash, digest, sizeof digest, 0));
  BCryptDestroyHash(m_hash);
  m_hash = nullptr;
  if (!done) return std::string();
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

std::string Sha256::Of(const std::string& bytes) {
  Sha256 hash;
  if (!hash.Update(bytes.data(), bytes.size())) return std::string();
  return hash.Finish();
}
