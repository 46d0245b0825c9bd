// The store behind the window table and the control registry: entries indexed by number in a table
// that grows, and a list of entries under numbers the layer chooses itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/list_heap.h"

namespace ui {

// An entry under a number the layer chose; the list holds the newest first.
template <class Entry>
struct AutomaticEntry {
  Entry entry;
  std::int32_t number;
  AutomaticEntry* next;
};

template <class Entry>
struct NumberedTable {
  std::int32_t capacity;  // numbers 0 to capacity have their entry in the table
  Entry* table;           // capacity + SpareEntries entries in the private heap, zero when free
  AutomaticEntry<Entry>* automatic;
  std::int32_t lastAutomaticNumber;
};

// A growing table reaches this many numbers beyond the one asked for.
constexpr std::int32_t GrowthMargin = 30;
// Entries past the capacity: number `capacity` itself and one more.
constexpr std::int32_t SpareEntries = 2;

// The first number of the automatic series; every automatic number is this or below.
constexpr std::int32_t FirstAutomaticNumber = -2;

// Grows a zero-filled block in the private heap (or makes it, from null). The new bytes are zero.
// Gives null, and leaves the block as it was, when the heap cannot provide the room.
void* GrowTable(void* block, std::size_t bytes);

// The number after `previous` in the series of automatic numbers: -2, -3, -4, ... down to the
// smallest 32-bit number, then from -2 again. They never meet a table index or -1, and the series
// passes over ReservedControlIdentifier.
std::int32_t NextAutomaticNumber(std::int32_t previous);

// Makes the table's first block. Without room the capacity stays 0 and the table null: every number
// is refused.
template <class Entry>
void InitNumberedTable(NumberedTable<Entry>& numbered, std::int32_t initialCapacity) {
  numbered = NumberedTable<Entry>{};
  const std::size_t bytes = static_cast<std::size_t>(initialCapacity + SpareEntries) * sizeof(Entry);
  numbered.table = static_cast<Entry*>(GrowTable(nullptr, bytes));
  if (numbered.table != nullptr) numbered.capacity = initialCapacity;
}

template <class Entry>
AutomaticEntry<Entry>* FindAutomaticEntry(const NumberedTable<Entry>& numbered, std::int32_t number) {
  for (AutomaticEntry<Entry>* automatic = numbered.automatic; automatic != nullptr; automatic = automatic->next) {
    if (automatic->number == number) return automatic;
  }
  return nullptr;
}

// The entry under the number, free or not; null for numbers that name no entry.
template <class Entry>
Entry* EntryOf(const NumberedTable<Entry>& numbered, std::int32_t number) {
  if (number >= 0 && number <= numbered.capacity && numbered.table != nullptr) return &numbered.table[number];
  AutomaticEntry<Entry>* automatic = FindAutomaticEntry(numbered, number);
  return automatic != nullptr ? &automatic->entry : nullptr;
}

// Makes room in the table for the number; false, with the table as it was, without room.
template <class Entry>
bool GrowNumberedTable(NumberedTable<Entry>& numbered, std::int32_t number) {
  if (number < numbered.capacity) return true;
  const std::int32_t capacity = number + GrowthMargin;
  const std::size_t bytes = static_cast<std::size_t>(capacity + SpareEntries) * sizeof(Entry);
  void* table = GrowTable(numbered.table, bytes);
  if (table == nullptr) return false;
  numbered.table = static_cast<Entry*>(table);
  numbered.capacity = capacity;
  return true;
}

// A new zero-filled entry in the list, under the next automatic number that no entry has; null
// when the list heap has no room.
template <class Entry>
AutomaticEntry<Entry>* AddAutomaticEntry(NumberedTable<Entry>& numbered) {
  auto* automatic = static_cast<AutomaticEntry<Entry>*>(NewListEntry(sizeof(AutomaticEntry<Entry>)));
  if (automatic == nullptr) return nullptr;
  std::int32_t number = numbered.lastAutomaticNumber;
  do {
    number = NextAutomaticNumber(number);
  } while (FindAutomaticEntry(numbered, number) != nullptr);
  numbered.lastAutomaticNumber = number;
  automatic->number = number;
  automatic->next = numbered.automatic;
  numbered.automatic = automatic;
  return automatic;
}

// Takes the entry under an automatic number out of the list; table numbers and -1 name none.
template <class Entry>
void RemoveAutomaticEntry(NumberedTable<Entry>& numbered, std::int32_t number) {
  if (number > FirstAutomaticNumber) return;
  for (AutomaticEntry<Entry>** link = &numbered.automatic; *link != nullptr; link = &(*link)->next) {
    if ((*link)->number == number) {
      AutomaticEntry<Entry>* removed = *link;
      *link = removed->next;
      FreeListEntry(removed);
      return;
    }
  }
}

template <class Entry>
std::int32_t AutomaticEntryCount(const NumberedTable<Entry>& numbered) {
  std::int32_t count = 0;
  for (const AutomaticEntry<Entry>* automatic = numbered.automatic; automatic != nullptr; automatic = automatic->next) {
    ++count;
  }
  return count;
}

}  // namespace ui
