#pragma once
// A running 64-bit hash of bytes (XXH3), for telling whether what the device
// gives back is what was read from the PC. Not for security: a fault, not an
// adversary, is what it guards against.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace dockline::platform {

class ContentHash {
 public:
  ContentHash();
  ~ContentHash();
  ContentHash(const ContentHash&) = delete;
  ContentHash& operator=(const ContentHash&) = delete;

  void Update(const void* data, std::size_t size);
  std::uint64_t Digest() const;

  // The hash of one buffer, the same as Update once and Digest.
  static std::uint64_t Of(const void* data, std::size_t size);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace dockline::platform
