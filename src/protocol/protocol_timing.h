// SPDX-License-Identifier: GPL-3.0-or-later
// ProtocolTiming: every time the router protocol keeps, in one value, so
// that the request layer, the answer watch, the firmware download and the
// front ends' allowances derive from the same numbers. A tick is the
// front end's one-second timer.
#pragma once

namespace tarcfg {

struct ProtocolTiming {
  // A numbered request goes out at once and again every `repeatInterval`
  // ticks until it is acknowledged, `sends` times in all (on the 4th and the
  // 8th tick); still unacknowledged `repeatInterval` ticks after the last
  // send, it fails with 8888 (on the 12th).
  int repeatInterval = 4;
  int sends = 3;
  constexpr int giveUpTick() const { return repeatInterval * sends; }
  // A router that acknowledged a request and then says nothing more is
  // given up as late as one that never acknowledges it.
  constexpr int answerTimeout() const { return giveUpTick(); }

  // The firmware download's steps: the ticks that may pass before a step
  // fails on the next one (the router's loader to appear, its offer to take
  // the image, the router to report after its restart), and how often the
  // loader is looked for.
  int loaderTimeout = 120;
  int offerTimeout = 40;
  int restartTimeout = 80;
  int loaderScanInterval = 4;

  // Deregistrations sent, a tick apart, to a router this host lets go of.
  int releaseSends = 3;

  // A timer slot started with n runs down on the (n+1)-th tick: the count
  // that makes it fire every `interval` ticks.
  static constexpr int SlotCount(int interval) { return interval - 1; }
};

inline constexpr ProtocolTiming kTiming{};

}  // namespace tarcfg
