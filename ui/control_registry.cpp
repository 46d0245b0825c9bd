#include "ui/control_registry.h"

#include "ui/controls.h"
#include "ui/layer_info.h"
#include "ui/numbered_table.h"
#include "ui/window_tree.h"

namespace ui {

namespace {

constexpr std::int32_t InitialCapacity = 30;
constexpr ControlRecord EmptyControlRecord{};

NumberedTable<ControlRecord> registry{};

void DestroyControl(ControlNumber number) {
  const ControlRecord& record = FindControl(number);
  if (record.window == nullptr) return;
  if (record.kind != nullptr && record.kind->destroy != nullptr) {
    record.kind->destroy(record.window);
  } else {
    DestroyWindow(record.window);
  }
}

}  // namespace

void InitControlRegistry() { InitNumberedTable(registry, InitialCapacity); }

ControlRecord* RecordOf(ControlNumber number) { return EntryOf(registry, number); }

const ControlRecord& FindControl(ControlNumber number) {
  const ControlRecord* record = RecordOf(number);
  return record != nullptr && record->window != nullptr ? *record : EmptyControlRecord;
}

const ControlRecord* LiveRecord(HWND window) {
  const ControlRecord& record = FindControl(WindowIdentifier(window));
  return record.window == window ? &record : nullptr;
}

ControlNumber ClaimControlSlot(ControlNumber number, bool& claimed) {
  claimed = false;
  if (number < AutoControlNumber || number > LargestNumber || registry.table == nullptr) return 0;
  if (number == AutoControlNumber) {
    const AutomaticEntry<ControlRecord>* automatic = AddAutomaticEntry(registry);
    if (automatic == nullptr) return 0;
    claimed = true;
    return automatic->number;
  }
  if (!GrowNumberedTable(registry, number)) return 0;
  DestroyControl(number);  // its WM_NCDESTROY frees the record before the new window is made
  claimed = true;
  return number;
}

void ReleaseControlSlot(ControlNumber number) {
  if (number >= 0 && number <= registry.capacity) {
    registry.table[number].window = nullptr;  // the other fields are overwritten at the next creation
    return;
  }
  RemoveAutomaticEntry(registry, number);
}

std::int32_t ControlRegistryCapacity() { return registry.capacity; }

std::int32_t AutomaticControlCount() { return AutomaticEntryCount(registry); }

}  // namespace ui
