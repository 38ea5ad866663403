// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace tarcfg {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only lock-free atomics and write(2)/_exit(2) are touched by the handler.
volatile std::sig_atomic_t firstSignal = 0;
volatile std::sig_atomic_t signalCount = 0;
volatile std::sig_atomic_t holding = 0;
volatile std::sig_atomic_t writeEnd = -1;
int readEnd = -1;

void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (firstSignal == 0)
    firstSignal = signal;
  signalCount = signalCount + 1;
  if (signalCount > 1 && !holding)
    ::_exit(StopSignals::ExitStatus(signal));
  if (writeEnd >= 0) {
    const char byte = static_cast<char>(signal);
    // A full pipe already says that a signal arrived.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

bool StopSignals::Install() {
  if (readEnd >= 0)
    return true;
  int ends[2];
  if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
    return false;
  readEnd = ends[0];
  writeEnd = ends[1];
  firstSignal = 0;
  signalCount = 0;
  holding = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kStopSignals)
    sigaddset(&action.sa_mask, signal);
  // No SA_RESTART: a blocking wait returns with EINTR, so the loop looks at
  // once.
  action.sa_flags = 0;
  for (int signal : kStopSignals) {
    // A signal the process was started with ignored (nohup, a background
    // job of a shell without job control) stays ignored.
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, nullptr);
  return true;
}

void StopSignals::Uninstall() {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  for (int signal : kStopSignals)
    ::sigaction(signal, &fallback, nullptr);
  ::sigaction(SIGPIPE, &fallback, nullptr);
  if (readEnd >= 0) {
    ::close(writeEnd);
    ::close(readEnd);
  }
  readEnd = -1;
  writeEnd = -1;
  firstSignal = 0;
  signalCount = 0;
  holding = 0;
}

int StopSignals::caught() {
  return firstSignal;
}

int StopSignals::count() {
  return signalCount;
}

int StopSignals::descriptor() {
  return readEnd;
}

void StopSignals::Drain() {
  if (readEnd < 0)
    return;
  char bytes[64];
  while (::read(readEnd, bytes, sizeof bytes) > 0) {
  }
}

void StopSignals::Note(int signal) {
  if (firstSignal == 0)
    firstSignal = signal;
  signalCount = signalCount + 1;
}

void StopSignals::SetHolding(bool hold) {
  holding = hold ? 1 : 0;
}

}  // namespace tarcfg
