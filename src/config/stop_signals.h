// SPDX-License-Identifier: GPL-3.0-or-later
// The signals that ask the process to end - SIGINT (Ctrl-C), SIGTERM and
// SIGHUP - caught so that a registration is given back before the process
// goes. The handler only notes the signal and writes one byte to a pipe; the
// front end's loop sees it (StopSignals::caught(), or the pipe's read end in a
// poll or a socket notifier), deregisters through its normal path and exits
// with 128 + the signal. SIGPIPE is ignored while installed: a closed output
// shows as EPIPE on the write instead, and the front end notes it with Note.
#pragma once

namespace tarcfg {

class StopSignals {
 public:
  // Installs the handlers and the pipe; false when the pipe cannot be made
  // (then the signals keep their default actions). A signal that is ignored
  // already stays ignored.
  static bool Install();
  // Back to the default actions; the pipe is closed and what was caught
  // forgotten.
  static void Uninstall();

  // The first stop signal that arrived (or was noted), or 0.
  static int caught();
  // How many arrived.
  static int count();
  // Readable once a signal arrived; -1 when not installed.
  static int descriptor();
  // Empties the pipe (what was caught is kept).
  static void Drain();
  // Counts `signal` as caught without a signal: an output found closed
  // is SIGPIPE.
  static void Note(int signal);

  // While the process holds nothing (no registration, or its deregistration
  // has gone out), a further signal after the first ends the process at once
  // with 128 + that signal. Holding starts out false.
  static void SetHolding(bool holding);

  // 128 + signal, the exit status a shell expects of a process that was ended
  // by it.
  static int ExitStatus(int signal) { return 128 + signal; }
};

}  // namespace tarcfg
