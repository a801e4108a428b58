// Text and names on Windows. The guest passes and receives UTF-8 and Linux's
// spelling; the host takes UTF-16 and its own. Every name crosses here, so
// that one mapping holds in both directions:
//   /mnt/c/x/y     <->  C:\x\y       (any drive letter, in lower case)
//   /tmp/x          ->  the user's temporary folder\x
//   /dev/null       ->  NUL (and /dev/zero, /dev/full, /dev/random,
//                       /dev/urandom, whose contents files.cpp gives)
//   /x/y            ->  \x\y on the current drive, as Windows roots it
// The first two only where the current drive has no such folder of its
// own (under Wine the Unix root is a drive, where /tmp is the real one).
// A name the user typed the Windows way (C:\x, \\server\share\x, x\y) is
// taken as it stands. A name too long for the classic 260-character limit
// is made absolute and given the \\?\ prefix that lifts it.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/win32/host.h"

namespace platform {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// `path` is `root` itself or lies under it.
bool Under(std::string_view path, std::string_view root, std::string_view* rest) {
  if (!StartsWith(path, root)) return false;
  if (path.size() > root.size() && path[root.size()] != '/') return false;
  *rest = path.substr(root.size());
  return true;
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder = n == 0 || n > MAX_PATH ? L"." : std::wstring(buffer, n);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
    folder.pop_back();
  return folder;
}

// A folder of that name at the root of the current drive is taken as it
// stands: under Wine the Unix root is a drive of its own, where /tmp is
// the real /tmp.
bool RootFolderExists(const std::wstring& folder) {
  const DWORD a = GetFileAttributesW(folder.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Classic calls refuse names from MAX_PATH on, and a directory's name from
// 248 (room for an 8.3 name inside it).
constexpr size_t kClassicLimit = 248;

std::wstring Lifted(std::wstring path) {
  if (path.size() < kClassicLimit || path.rfind(L"\\\\?\\", 0) == 0) return path;
  const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return path;
  std::wstring full(need, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  if (n == 0 || n >= need) return path;
  full.resize(n);
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\')
    return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

// UTF-8 text written to a console shows as its characters whatever the
// console's code page: it goes out in UTF-16. A character cut between two
// writes waits for its other bytes.
bool WriteConsoleText(HANDLE h, const void* buffer, uint32_t count) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (h == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(h, &info)) return false;
  static std::map<HANDLE, std::string> pending;
  std::string& text = pending[h];
  text.append(static_cast<const char*>(buffer), count);
  size_t whole = text.size();
  // Back over an unfinished sequence at the end: its lead byte and fewer
  // continuation bytes than it announces.
  for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const unsigned char c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) == 0x80) continue;
    const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (need > back) whole = text.size() - back;
    break;
  }
  const std::wstring wide = Wide(std::string_view(text).substr(0, whole));
  DWORD written = 0;
  if (!wide.empty()) WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  text.erase(0, whole);
  return true;
}

std::wstring HostPath(std::string_view path) {
  std::string_view rest;
  std::wstring host;
  // The devices Windows lacks are NUL to the host; files.cpp gives their
  // descriptors the contents Linux's have.
  if (path == "/dev/null" || path == "/dev/zero" || path == "/dev/full" ||
      path == "/dev/random" || path == "/dev/urandom")
    return L"NUL";
  static const bool ownTmp = RootFolderExists(L"\\tmp");
  if (Under(path, "/tmp", &rest) && !ownTmp) {
    host = TemporaryFolder() + Wide(rest);
  } else if (StartsWith(path, "/mnt/") && path.size() >= 6 && IsLetter(path[5]) &&
             (path.size() == 6 || path[6] == '/') &&
             !RootFolderExists(L"\\mnt\\" + std::wstring(1, static_cast<wchar_t>(path[5])))) {
    const wchar_t drive[] = {static_cast<wchar_t>(path[5] & ~0x20), L':', L'\\', 0};
    host = drive + Wide(path.substr(path.size() > 6 ? 7 : 6));
  } else {
    host = Wide(path);
  }
  for (wchar_t& c : host)
    if (c == L'/') c = L'\\';
  return Lifted(std::move(host));
}

std::string GuestPathOf(std::string hostPath) {
  std::string_view p = hostPath;
  if (StartsWith(p, "\\\\?\\UNC\\")) {
    hostPath = "\\\\" + hostPath.substr(8);
  } else if (StartsWith(p, "\\\\?\\")) {
    hostPath.erase(0, 4);
  }
  for (char& c : hostPath)
    if (c == '\\') c = '/';
  if (hostPath.size() >= 2 && IsLetter(hostPath[0]) && hostPath[1] == ':' &&
      (hostPath.size() == 2 || hostPath[2] == '/')) {
    std::string rest = hostPath.substr(2);
    while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
    const char drive = static_cast<char>(hostPath[0] | 0x20);
    return std::string("/mnt/") + drive + (rest == "/" ? "" : rest);
  }
  return hostPath;
}

}  // namespace platform
