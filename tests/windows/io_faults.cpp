// Built with src/main.cpp into a copy of the program for the fault tables:
// before main runs, the program's import slots of CreateFileA, ReadFile,
// WriteFile and CloseHandle are pointed at the wrappers below, which answer
// as RELABEL_IO_FAULT asks (see io_faults.h) and otherwise call the system.
#include "io_faults.h"

#include <windows.h>

#include <cstdlib>

#include "windows/import_slots.h"

namespace {

using relabel::testing::Answer;
using relabel::testing::Decision;

relabel::testing::FaultPlan plan;
// The system's own functions, as their slots held them.
decltype(&::CreateFileA) create_file;
decltype(&::ReadFile) read_file;
decltype(&::WriteFile) write_file;
decltype(&::CloseHandle) close_handle;
// The handle of an open that asks only for a file's identity: left alone,
// as its failure means no more than "not the same file".
HANDLE identity = INVALID_HANDLE_VALUE;

// True, with the call's error set, when `d` fails the call.
bool fails(const Decision& d) {
  if (d.answer != Answer::fail) return false;
  ::SetLastError(static_cast<DWORD>(d.code));
  return true;
}

DWORD allowed(const Decision& d, DWORD size) {
  return d.answer == Answer::part ? static_cast<DWORD>(d.bytes) : size;
}

HANDLE WINAPI create_file_as_asked(LPCSTR name, DWORD access, DWORD share,
                                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                   DWORD flags, HANDLE model) {
  if (access != 0 && fails(plan.next(relabel::testing::kOpen, 0)))
    return INVALID_HANDLE_VALUE;
  const HANDLE h = create_file(name, access, share, security, disposition, flags, model);
  if (access == 0) identity = h;
  return h;
}

BOOL WINAPI read_file_as_asked(HANDLE h, LPVOID buffer, DWORD size, LPDWORD got,
                               LPOVERLAPPED overlapped) {
  const Decision d = plan.next(relabel::testing::kRead, size);
  return !fails(d) && read_file(h, buffer, allowed(d, size), got, overlapped);
}

BOOL WINAPI write_file_as_asked(HANDLE h, LPCVOID data, DWORD size, LPDWORD written,
                                LPOVERLAPPED overlapped) {
  const bool console = h == ::GetStdHandle(STD_OUTPUT_HANDLE);
  const Decision d =
      plan.next(console ? relabel::testing::kConsole : relabel::testing::kWrite, size);
  if (fails(d)) return FALSE;
  if (d.answer == Answer::zero) {
    *written = 0;
    return TRUE;
  }
  return write_file(h, data, allowed(d, size), written, overlapped);
}

BOOL WINAPI close_handle_as_asked(HANDLE h) {
  if (h == identity) return close_handle(h);
  const Decision d = plan.next(relabel::testing::kClose, 0);
  const BOOL closed = close_handle(h);
  return !fails(d) && closed;
}

template <class Function>
void redirect(Function& kept, Function system, Function wrapper) {
  kept = reinterpret_cast<Function>(relabel::testing::redirect_import(
      reinterpret_cast<ULONG_PTR>(system), reinterpret_cast<ULONG_PTR>(wrapper)));
  if (kept == nullptr) std::abort();  // the program would not answer as asked
}

const bool redirected =
    (redirect(create_file, &::CreateFileA, &create_file_as_asked),
     redirect(read_file, &::ReadFile, &read_file_as_asked),
     redirect(write_file, &::WriteFile, &write_file_as_asked),
     redirect(close_handle, &::CloseHandle, &close_handle_as_asked), true);

}  // namespace
