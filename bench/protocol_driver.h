// SPDX-License-Identifier: GPL-3.0-or-later
// The router protocol on a real UDP socket, driven the way tarcfg-cli drives
// it: OnDatagramReady in a loop, its receive waiting up to the next
// one-second tick (UdpSocket::SetReceiveWait, no poll), OnTimerTick once a
// second. The
// settings come from $TARCFG_SETTINGS, as the tools read them. The socket
// notes when each request of a watched kind leaves, so a benchmark can take
// the time of every single exchange of a transfer.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench_common.h"
#include "config/gui_settings.h"
#include "config/profile_file.h"
#include "protocol/router_protocol.h"
#include "protocol/udp_socket.h"

namespace bench {

// A UdpSocket that notes the moment each datagram with the watched command
// word is sent.
class TimedSocket : public tarcfg::DatagramSocket {
 public:
  int Open(std::uint16_t port) override { return socket_.Open(port); }
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override {
    if (bytes.size() >= 2 && (bytes[0] << 8 | bytes[1]) == watched_)
      sent_.push_back(NowNs());
    return socket_.SendTo(address, port, bytes);
  }
  tarcfg::ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override {
    return socket_.ReceiveFrom(buffer);
  }
  int descriptor() const override { return socket_.descriptor(); }
  std::size_t ReceiveBatch(std::span<const std::span<std::uint8_t>> buffers,
                           std::span<tarcfg::ReceivedDatagram> received) override {
    return socket_.ReceiveBatch(buffers, received);
  }
  bool sendsInBatches() const override { return socket_.sendsInBatches(); }
  void SendBatch(std::span<const tarcfg::OutgoingDatagram> datagrams,
                 std::span<int> results) override {
    for (const tarcfg::OutgoingDatagram& datagram : datagrams)
      if (datagram.bytes.size() >= 2 && (datagram.bytes[0] << 8 | datagram.bytes[1]) == watched_)
        sent_.push_back(NowNs());
    socket_.SendBatch(datagrams, results);
  }
  int SetReceiveWait(int milliseconds) { return socket_.SetReceiveWait(milliseconds); }

  void Watch(std::uint16_t command) {
    watched_ = command;
    sent_.clear();
    sent_.reserve(1 << 16);  // no allocation while a transfer is measured
  }
  std::size_t watchedSends() const { return sent_.size(); }
  // Microseconds from each watched send to the next.
  std::vector<double> Intervals() const {
    std::vector<double> out;
    for (std::size_t i = 1; i < sent_.size(); ++i)
      out.push_back(static_cast<double>(sent_[i] - sent_[i - 1]) / 1e3);
    return out;
  }

 private:
  tarcfg::UdpSocket socket_;
  int watched_ = -1;
  std::vector<std::int64_t> sent_;
};

class ProtocolDriver {
 public:
  ProtocolDriver() {
    tarcfg::ProfileFile profile(tarcfg::SettingsFilePath(""));
    std::error_code error;
    settings_ =
        tarcfg::LoadGuiSettings(profile, addresses_, std::filesystem::current_path(error).string());
  }

  // May be changed before Open.
  tarcfg::GuiSettings& settings() { return settings_; }

  bool Open() {
    protocol_ = std::make_unique<tarcfg::RouterProtocol>(socket_, settings_, tables_, addresses_);
    const int result = protocol_->OpenRouterProtocol(
        [this](int code) {
          std::fprintf(stderr, "protocol error %d\n", code);
          error_ = code;
        },
        settings_.ownAddress | ~settings_.netMask);
    if (result != 0)
      std::fprintf(stderr, "cannot open the router protocol: %d (errno %d)\n", result,
                   protocol_->openErrorNumber());
    return result == 0;
  }

  tarcfg::RouterProtocol& protocol() { return *protocol_; }
  TimedSocket& socket() { return socket_; }
  tarcfg::AddressService& addresses() { return addresses_; }
  int error() const { return error_; }

  // Runs the loop until `done` holds (true), an error is reported or
  // `seconds` pass (false).
  bool RunUntil(const std::function<bool()>& done, double seconds) {
    const std::int64_t deadline = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
    std::int64_t nextTick = NowNs() + 1000000000;
    while (!done()) {
      if (error_ != 0)
        return false;
      const std::int64_t now = NowNs();
      if (now >= deadline) {
        std::fprintf(stderr, "timed out\n");
        return false;
      }
      if (now >= nextTick) {
        nextTick += 1000000000;
        protocol_->OnTimerTick();
        continue;
      }
      (void)socket_.SetReceiveWait(static_cast<int>((nextTick - now) / 1000000) + 1);
      protocol_->OnDatagramReady();
    }
    return true;
  }

  void RunFor(double seconds) {
    const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
    RunUntil([end] { return NowNs() >= end; }, seconds + 5);
  }

 private:
  tarcfg::SystemNetDatabase database_;
  tarcfg::AddressService addresses_{database_};
  tarcfg::ProtocolTables tables_;
  tarcfg::GuiSettings settings_;
  TimedSocket socket_;
  std::unique_ptr<tarcfg::RouterProtocol> protocol_;
  int error_ = 0;
};

}  // namespace bench
