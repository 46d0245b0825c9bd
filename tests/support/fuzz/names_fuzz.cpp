// Fuzzes CopyDeviceName and the two device list texts against plain reference builds of them.
// The input chooses which of the 17 entries are named, the names themselves (any bytes, also CR,
// LF and NUL, up to 48 of them) and whether each name first passes through a 32-byte capability
// field, as the names of real devices do.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "midi/names.h"
#include "tests/support/fuzz/check.h"

namespace {

using fuzz::CheckSame;
using midi::NameTable;

constexpr std::size_t Entries = midi::NameTableSize;
constexpr std::size_t FieldSize = midi::DeviceNameLength;

std::string ReferenceFailureList(const std::string (&names)[Entries]) {
  std::string list = "\r\n";
  for (int i = 0; i <= 15; ++i) {
    if (names[i].empty()) continue;
    list += std::to_string(i) + " = " + names[i] + "\r\n";
  }
  return list;
}

std::string ReferenceChooserList(const std::string (&names)[Entries]) {
  std::size_t count = 1;  // device 0 always
  while (count < Entries && !names[count].empty()) ++count;
  std::string list;
  for (std::size_t i = 0; i < count; ++i) list += std::to_string(i) + " = " + names[i] + "\r";
  return list;
}

// Puts a name into a capability field of exactly 32 bytes in its own heap block, so that a read
// past the field is caught. A shorter name is NUL-terminated and followed by leftover bytes.
std::string ThroughField(const std::string& name, char leftover) {
  std::unique_ptr<char[]> field(new char[FieldSize]);
  std::memset(field.get(), leftover, FieldSize);
  std::memcpy(field.get(), name.data(), name.size() < FieldSize ? name.size() : FieldSize);
  if (name.size() < FieldSize) field[name.size()] = '\0';

  const void* nul = std::memchr(field.get(), '\0', FieldSize);
  const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - field.get())
                                            : FieldSize;
  const std::string expected(field.get(), length);
  const runtime::Text copied = midi::CopyDeviceName(field.get());
  CheckSame(copied, expected, "CopyDeviceName differs from the reference");
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::uint32_t named = input.ConsumeIntegralInRange<std::uint32_t>(0, (1u << Entries) - 1);
  const std::uint32_t throughField = input.ConsumeIntegralInRange<std::uint32_t>(0, (1u << Entries) - 1);
  const char leftover = input.ConsumeIntegral<char>();

  std::string names[Entries];
  NameTable table;
  for (std::size_t i = 0; i < Entries; ++i) {
    if ((named >> i & 1u) == 0) continue;
    names[i] = input.ConsumeRandomLengthString(48);
    if ((throughField >> i & 1u) != 0) names[i] = ThroughField(names[i], leftover);
    table[i] = runtime::Text(names[i]);
  }

  CheckSame(midi::FailureListText(table), ReferenceFailureList(names), "FailureListText differs from the reference");
  CheckSame(midi::ChooserListText(table), ReferenceChooserList(names), "ChooserListText differs from the reference");
  return 0;
}
