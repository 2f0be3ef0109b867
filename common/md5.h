#pragma once
// MD5 digest (RFC 1321).
#include <cstddef>
#include <cstdint>
#include <string>

class CMd5 {
 public:
  CMd5();
  // Digests the bytes at once; Update may feed more before Final.
  explicit CMd5(const std::string& bytes);
  virtual ~CMd5() = default;

  void Update(const void* data, size_t count);
  void Update(const std::string& bytes) { Update(bytes.data(), bytes.size()); }
  // Pads and finishes; later calls and later updates change nothing.
  void Final();
  // 32 lower-case hexadecimal digits, finishing the digest first when needed.
  std::string ToHexString();
  // The 16 digest bytes (finishing first when needed).
  const uint8_t* Digest();

 private:
  void Transform(const uint8_t block[64]);

  uint32_t m_state[4];
  uint64_t m_bitCount = 0;
  uint8_t m_buffer[64] = {};
  bool m_finished = false;
  uint8_t m_digest[16] = {};
};

// Lower-case hexadecimal MD5 of a byte string.
std::string Md5Hex(const std::string& bytes);
