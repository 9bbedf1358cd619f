// Points the slots of this program's import table that hold a system
// function at a function of the test's own, so that a helper program can
// make the system answer as a test needs.
#pragma once

#include <windows.h>

namespace relabel::testing {

// Points every slot that holds `function` at `replacement`. Returns the
// value a slot held (the address of a function the program imports is its
// slot's value), or 0 when none held it.
inline ULONG_PTR redirect_import(ULONG_PTR function, ULONG_PTR replacement) {
  auto* const base = reinterpret_cast<unsigned char*>(::GetModuleHandleA(nullptr));
  const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
      base +
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  ULONG_PTR found = 0;
  DWORD old = 0;
  for (; import->Name != 0; ++import) {
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
         slot->u1.Function != 0; ++slot) {
      if (slot->u1.Function != function) continue;
      ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
      found = slot->u1.Function;
      slot->u1.Function = replacement;
      ::VirtualProtect(slot, sizeof *slot, old, &old);
    }
  }
  return found;
}

}  // namespace relabel::testing
