// Windows makes a symbolic link for a user allowed to (developer mode or an
// administrator). Wine's call reports success and makes nothing; but Wine
// shows a program a link of the host system as the file it points to, and
// it starts host programs, so there the host's ln makes the link. Wine
// cannot remove such a link itself: it would remove the file the link
// points to, and it sees no link whose file is gone.
#include "platform/windows_file_link.h"

#include <windows.h>

#include <string>

namespace vx::test {
namespace {

// Wine's kernel32 converts a host name to a Windows one; the result is
// allocated on the process heap.
using HostToWindowsName = WCHAR*(CDECL*)(const char*);

HostToWindowsName WineNameConversion() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  const FARPROC found = ::GetProcAddress(kernel, "wine_get_dos_file_name");
  return reinterpret_cast<HostToWindowsName>(reinterpret_cast<void*>(found));
}

bool IsSymbolicLink(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool Exists(const std::string& name) {
  return ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs the host program `path` with the command line `line` (ASCII, no
// blanks inside an argument) and waits until `done` says it has had its
// effect on `name`: Wine gives no handle of a host program to wait for.
std::string RunHostProgram(const char* path, const std::string& line,
                           bool (*done)(const std::string&),
                           const std::string& name) {
  const HostToWindowsName to_windows = WineNameConversion();
  if (to_windows == nullptr) return "not running under Wine";
  WCHAR* program = to_windows(path);
  if (program == nullptr) return std::string("Wine finds no ") + path;
  const std::wstring program_name(program);
  ::HeapFree(::GetProcessHeap(), 0, program);
  std::wstring command(line.begin(), line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program_name.c_str(), command.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return std::string("starting ") + path + " failed with error " +
           std::to_string(::GetLastError());
  }
  if (process.hProcess != nullptr) ::CloseHandle(process.hProcess);
  if (process.hThread != nullptr) ::CloseHandle(process.hThread);
  for (int waited = 0; waited < 10000; waited += 20) {
    if (done(name)) return "";
    ::Sleep(20);
  }
  return std::string(path) + " had no effect within 10 seconds";
}

bool IsGone(const std::string& name) { return !Exists(name); }

}  // namespace

FileLink::FileLink(const std::string& link, const std::string& target)
    : link_(link) {
  std::string windows_target = target;
  for (char& c : windows_target) {
    if (c == '/') c = '\\';
  }
  const BOOL made = ::CreateSymbolicLinkA(
      link.c_str(), windows_target.c_str(),
      SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD error = ::GetLastError();
  if (made && IsSymbolicLink(link)) {
    made_ = true;
    return;
  }
  if (WineNameConversion() != nullptr) {
    error_ = RunHostProgram("/bin/ln", "ln -s " + target + " " + link, Exists,
                            link);
    made_ = by_host_ = error_.empty();
    return;
  }
  error_ = made ? "CreateSymbolicLinkA reported success but made no link"
                : "CreateSymbolicLinkA failed with error " +
                      std::to_string(error) +
                      " (a symbolic link needs developer mode or "
                      "administrator rights)";
}

FileLink::~FileLink() {
  if (!made_) return;
  if (by_host_) {
    RunHostProgram("/bin/rm", "rm -f " + link_, IsGone, link_);
  } else {
    ::DeleteFileA(link_.c_str());
  }
}

}  // namespace vx::test
