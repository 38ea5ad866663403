// SPDX-License-Identifier: GPL-3.0-or-later
// ImageDownload: the firmware download behind RouterProtocol. It loads the
// image for the router's parameters, embeds the configuration in it, has a
// registered router restart into its loader when tables go with the image,
// sends the image block by block to the loader's offer and waits for the
// router to come back after the restart. Each step has its time-out; of the
// loader commands, which carry no acknowledgement, only the request to enter
// the loader is repeated, and only while the router is seen still running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "config/configuration.h"
#include "config/records.h"
#include "protocol/router_protocol.h"
#include "protocol/transport.h"
#include "protocol/wire.h"

namespace tarcfg::protocol {

class ProtocolContext;

class ImageDownload {
 public:
  using ScanCallback = RouterProtocol::ScanCallback;
  using ProgressCallback = RouterProtocol::ProgressCallback;

  explicit ImageDownload(ProtocolContext& context) : context_(context) {}
  ImageDownload(const ImageDownload&) = delete;
  ImageDownload& operator=(const ImageDownload&) = delete;

  bool DownloadFirmware(const HardwareAddress& hardwareAddress, const RouterParameters& parameters,
                        const LineTargetList* lineTargets, const RouteList* routes,
                        const FilterList* filters, ScanCallback done, ProgressCallback progress);
  bool EnterLoader(const HardwareAddress& hardwareAddress, ScanCallback loaderFound);
  bool StartDownload(ScanCallback done, Bytes image, const HardwareAddress& hardwareAddress,
                     std::uint32_t routerAddress, ProgressCallback progress);
  std::string FirmwareImagePath(const RouterParameters& parameters) const;

  // The loader's offer to take the image; the result is the dispatcher's
  // handler result.
  int OnDownloadOffer(std::span<const std::uint8_t> payload);
  // A scan answer while the router restarts or its loader is awaited.
  void OnScanAnswer(const ScanAnswer& answer);
  // Forgets the callbacks and stops the time-outs and repetitions.
  void Clear();

 private:
  // Asks for the loader again: a scan, and the command to enter it when the
  // last scan found the router still running.
  void LoaderScan();
  // Runs LoaderScan after the repetition interval, unless the download
  // ends before.
  void ScheduleLoaderScan();
  // Starts a time-out of the current download step; it ends the download
  // with `code` unless the step is left before.
  void StartStepTimeout(ProtocolState state, int ticks, int code);
  // Cancels the time-outs and repetitions of the download steps.
  void EndDownloadTimers();
  void SendNextBlock(std::uint32_t destination);
  void RequestRestart(std::uint32_t destination);

  ProtocolContext& context_;
  HardwareAddress loaderHardware_{};
  std::uint32_t loaderRouter_ = 0;  // the router's address before it entered its loader
  ScanCallback loaderFound_;
  Transport::TimerHandle stepTimeout_;  // loader, offer or restart time-out
  Transport::TimerHandle repetition_;   // the loader scan, every four ticks
  bool routerStillRunning_ = false;     // the last loader scan found it at its address
  std::uint32_t downloadRun_ = 0;       // tells a stale timer from the current download's
  Bytes image_;
  Bytes pendingImage_;  // loaded and filled, waiting for the loader
  std::size_t blockOffset_ = 0;
  int lastPercent_ = -1;
  ScanCallback downloadDone_;
  ProgressCallback progress_;
};

}  // namespace tarcfg::protocol
