#include "runtime/text.h"

#include <cstring>

#include "runtime/heap.h"

namespace runtime {

Text::Text(std::size_t length, char fill) {
  Grow(length);
  std::memset(bytes_, fill, length);
  length_ = length;
  bytes_[length_] = '\0';
}

Text::Text(std::string_view bytes) { *this += bytes; }

Text::Text(Text&& other) noexcept : bytes_(other.bytes_), length_(other.length_), capacity_(other.capacity_) {
  other.bytes_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    resize(0);
    *this += other.view();
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    FreeBytes(bytes_);
    bytes_ = other.bytes_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.bytes_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
  }
  return *this;
}

Text::~Text() { FreeBytes(bytes_); }

Text& Text::operator+=(std::string_view bytes) {
  if (bytes.empty()) return *this;
  const std::size_t length = length_ + bytes.size();
  // The bytes may be this text's own: the old block is freed only after they are copied.
  char* old = nullptr;
  if (bytes_ == nullptr || length > capacity_) old = Grow(length > 2 * capacity_ ? length : 2 * capacity_);
  std::memmove(bytes_ + length_, bytes.data(), bytes.size());
  length_ = length;
  bytes_[length_] = '\0';
  FreeBytes(old);
  return *this;
}

void Text::resize(std::size_t length) {
  if (length > length_) {
    if (bytes_ == nullptr || length > capacity_) FreeBytes(Grow(length));
    std::memset(bytes_ + length_, 0, length - length_);
  }
  length_ = length;
  if (bytes_ != nullptr) bytes_[length_] = '\0';
}

char* Text::Grow(std::size_t capacity) {
  char* const old = bytes_;
  bytes_ = static_cast<char*>(AllocateBytes(capacity + 1));
  if (length_ != 0) std::memcpy(bytes_, old, length_);
  capacity_ = capacity;
  return old;
}

}  // namespace runtime
