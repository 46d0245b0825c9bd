// Text: a value type of 8-bit bytes, kept in the private heap. The program's own texts are
// Windows-1252 (the German error texts; the rest is ASCII); device names come from WinMM in the
// system's code page. Assigning copies; the bytes always end in a zero, so c_str() can go straight
// to a Windows call. Only the operations the program uses are here, and none of them can fail but
// by running out of heap, which ends the process as every allocation from the private heap does.
#pragma once

#include <cstddef>
#include <string_view>

namespace runtime {

class Text {
 public:
  Text() = default;
  Text(const char* zeroEnded) : Text(std::string_view(zeroEnded)) {}  // NOLINT: literals become texts
  Text(std::nullptr_t) = delete;  // a null pointer is no text
  Text(const char* bytes, std::size_t length) : Text(std::string_view(bytes, length)) {}
  Text(std::size_t length, char fill);
  explicit Text(std::string_view bytes);
  Text(const Text& other) : Text(other.view()) {}
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text();

  Text& operator+=(std::string_view bytes);
  // Cuts the text to length bytes, or lengthens it with zero bytes.
  void resize(std::size_t length);

  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  char* data() { return bytes_; }  // null while the text has never held a byte
  const char* data() const { return c_str(); }
  const char* c_str() const { return bytes_ != nullptr ? bytes_ : empty_; }
  std::string_view view() const { return {c_str(), length_}; }
  operator std::string_view() const { return view(); }  // NOLINT: a text is read wherever a view is

 private:
  // Moves the bytes into a new block with room for capacity bytes and the zero, and returns the old
  // block for the caller to free once nothing reads it any more.
  char* Grow(std::size_t capacity);

  char* bytes_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
  static constexpr char empty_[1] = {};  // what an empty text without storage shows
};

inline bool operator==(const Text& a, std::string_view b) { return a.view() == b; }

}  // namespace runtime
