// SHA-256 through Windows CNG, fed piece by piece as a download arrives.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <string>
#include <vector>

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // False when CNG could not make the hash; Update and Finish then fail too.
  bool IsReady() const { return m_hash != nullptr; }
  bool Update(const void* bytes, size_t count);
  // Lower-case hex of the digest; empty on failure. Once.
  std::string Finish();

  static std::string Of(const std::string& bytes);

 private:
  BCRYPT_ALG_HANDLE m_algorithm = nullptr;
  BCRYPT_HASH_HANDLE m_hash = nullptr;
  std::vector<unsigned char> m_object;  // the hash's working memory, which Windows 7 wants from us
};
