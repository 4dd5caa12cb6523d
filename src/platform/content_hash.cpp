#include "platform/content_hash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace dockline::platform {

struct ContentHash::State {
  XXH3_state_t xxh;
};

ContentHash::ContentHash() : state_(std::make_unique<State>()) { XXH3_64bits_reset(&state_->xxh); }
ContentHash::~ContentHash() = default;

void ContentHash::Update(const void* data, std::size_t size) { XXH3_64bits_update(&state_->xxh, data, size); }

std::uint64_t ContentHash::Digest() const { return XXH3_64bits_digest(&state_->xxh); }

std::uint64_t ContentHash::Of(const void* data, std::size_t size) { return XXH3_64bits(data, size); }

}  // namespace dockline::platform
