#include <windows.h>

#include <stdexcept>
#include <thread>

#include "Lib/kw/sys_dep/process.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

// A pipe whose one end the child inherits.
struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe(bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read, &write, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
  }
  ~Pipe() {
    close(read);
    close(write);
  }
  static void close(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
  }
};

void drain(HANDLE from, std::string& into) {
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) into.append(buffer, got);
}

void feed(HANDLE to, const std::string& input) {
  for (size_t done = 0; done < input.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(input.size() - done, 65536));
    if (!WriteFile(to, input.data() + done, chunk, &written, nullptr)) return;  // the program closed its input
    done += written;
  }
}

}  // namespace

// Threads stand in for poll(): one feeds standard input, one drains standard
// error while this one drains standard output, so no pipe fills up.
ProcessOutcome runProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& directory, const std::string* input, std::chrono::seconds timeout) {
  Pipe in(true), out(false), err(false);
  std::string commandLine = quotedForCommandLine(program);
  for (const std::string& arg : args) {
    commandLine += ' ';
    commandLine += quotedForCommandLine(arg);
  }
  std::wstring wideCommand = win32::wideOf(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // Without input the child still gets a pipe, at its end at once: a null
  // handle lets Wine hand it the parent's input instead.
  startup.hStdInput = in.read;
  startup.hStdOutput = out.write;
  startup.hStdError = err.write;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(win32::wideOf(program).c_str(), wideCommand.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW, nullptr, win32::wideOf(directory).c_str(), &startup, &process)) {
    throw std::runtime_error("cannot start " + program + " (Windows error " + std::to_string(GetLastError()) + ")");
  }
  CloseHandle(process.hThread);
  Pipe::close(in.read);
  Pipe::close(out.write);
  Pipe::close(err.write);
  ProcessOutcome outcome;
  {
    std::jthread feeder([&] {
      if (input) feed(in.write, *input);
      Pipe::close(in.write);
    });
    std::jthread errors([&] { drain(err.read, outcome.err); });
    std::jthread waiter([&] {
      const DWORD millis = static_cast<DWORD>(std::chrono::milliseconds(timeout).count());
      if (WaitForSingleObject(process.hProcess, millis) == WAIT_TIMEOUT) {
        outcome.timedOut = true;
        TerminateProcess(process.hProcess, 1);
      }
    });
    drain(out.read, outcome.out);
  }
  DWORD code = 0;
  if (!outcome.timedOut && GetExitCodeProcess(process.hProcess, &code)) outcome.status = static_cast<int>(code);
  CloseHandle(process.hProcess);
  return outcome;
}

}  // namespace kw::sys_dep
