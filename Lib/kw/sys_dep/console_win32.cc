#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "Lib/kw/sys_dep/console.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

HANDLE handleOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput: return GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::kOutput: return GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::kError: return GetStdHandle(STD_ERROR_HANDLE);
  }
  return nullptr;
}

// The number of bytes at the end of `bytes` that begin a UTF-8 sequence
// still missing bytes; they wait for the next write.
size_t unfinishedTail(const std::string& bytes) {
  for (size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
    const unsigned char c = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// UTF-8 text written to a console as UTF-16, whatever its code page.
class ConsoleOutput : public std::streambuf {
 public:
  ConsoleOutput(HANDLE console, std::ostream& stream) : console_(console), stream_(stream) {
    replaced_ = stream_.rdbuf(this);
  }
  ~ConsoleOutput() override {
    sync();
    stream_.rdbuf(replaced_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) pending_ += traits_type::to_char_type(c);
    if (pending_.size() >= 4096) sync();
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<size_t>(n));
    if (pending_.size() >= 4096) sync();
    return n;
  }
  int sync() override {
    const size_t ready = pending_.size() - unfinishedTail(pending_);
    const std::wstring wide = win32::wideOf(std::string_view(pending_).substr(0, ready));
    pending_.erase(0, ready);
    for (size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(console_, wide.data() + done, chunk, &written, nullptr) || written == 0) return -1;
      done += written;
    }
    return 0;
  }

 private:
  HANDLE console_;
  std::ostream& stream_;
  std::streambuf* replaced_;
  std::string pending_;
};

// Lines typed on a console, as UTF-8 without the CR before their line feed.
class ConsoleInput : public std::streambuf {
 public:
  ConsoleInput(HANDLE console, std::istream& stream) : console_(console), stream_(stream) {
    replaced_ = stream_.rdbuf(this);
  }
  ~ConsoleInput() override { stream_.rdbuf(replaced_); }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (ended_ || !readLine()) return traits_type::eof();
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  bool readLine() {
    wchar_t wide[1024];
    DWORD got = 0;
    if (!ReadConsoleW(console_, wide, 1024, &got, nullptr) || got == 0) return false;
    std::wstring text(wide, got);
    if (text[0] == L'\x1A') {
      ended_ = true;
      return false;
    }
    if (text.size() >= 2 && text.substr(text.size() - 2) == L"\r\n") text.erase(text.size() - 2, 1);
    line_ = win32::utf8Of(text);
    return !line_.empty();
  }

  HANDLE console_;
  std::istream& stream_;
  std::streambuf* replaced_;
  std::string line_;
  bool ended_ = false;
};

bool isConsole(HANDLE handle) {
  DWORD mode;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

}  // namespace

bool isTerminal(StandardStream stream) { return isConsole(handleOf(stream)); }

void prepareStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // Built on first use and left to the end of the program: std::cout is
  // flushed by the runtime after main returns, through these.
  if (isConsole(handleOf(StandardStream::kOutput))) {
    static ConsoleOutput output(handleOf(StandardStream::kOutput), std::cout);
  }
  if (isConsole(handleOf(StandardStream::kError))) {
    static ConsoleOutput error(handleOf(StandardStream::kError), std::cerr);
  }
  if (isConsole(handleOf(StandardStream::kInput))) {
    static ConsoleInput input(handleOf(StandardStream::kInput), std::cin);
  }
}

}  // namespace kw::sys_dep
