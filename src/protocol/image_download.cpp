// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware download: the registered router restarts into its loader
// when the image carries tables, the loader is offered the image, takes it
// block by block and restarts the router.
#include "protocol/image_download.h"

#include "config/firmware_files.h"
#include "protocol/firmware_image.h"
#include "protocol/protocol_context.h"

namespace tarcfg::protocol {

std::string ImageDownload::FirmwareImagePath(const RouterParameters& parameters) const {
  std::string path = context_.settings.firmwarePath;
  path += "/";
  path += FirmwarePrefix(parameters.dChannelProtocol);
  path += parameters.firmwareVersion.view();
  return path;
}

bool ImageDownload::DownloadFirmware(const HardwareAddress& hardwareAddress,
                                     const RouterParameters& parameters,
                                     const LineTargetList* lineTargets, const RouteList* routes,
                                     const FilterList* filters, ScanCallback done,
                                     ProgressCallback progress) {
  std::uint32_t routerAddress = context_.addresses.ResolveAddress(parameters.name.view());
  std::optional<Bytes> image = LoadFirmwareImage(FirmwareImagePath(parameters));
  if (!image)
    return false;
  if (!EmbedConfiguration(*image, parameters, lineTargets, routes, filters, context_.wire(),
                          context_.transport.TransportOwnAddress()))
    return false;
  if (lineTargets || routes || filters) {
    // The registered router restarts into its loader first.
    pendingImage_ = std::move(*image);
    return EnterLoader(hardwareAddress,
                       [this, done, progress, routerAddress](const ScanAnswer& loader) {
                         StartDownload(done, std::move(pendingImage_), loader.hardwareAddress,
                                       routerAddress, progress);
                       });
  }
  return StartDownload(std::move(done), std::move(*image), hardwareAddress, routerAddress,
                       std::move(progress));
}

bool ImageDownload::EnterLoader(const HardwareAddress& hardwareAddress, ScanCallback loaderFound) {
  if (context_.state != ProtocolState::Registered)
    return false;
  EndDownloadTimers();
  context_.state = ProtocolState::WaitingForLoader;
  loaderFound_ = std::move(loaderFound);
  loaderHardware_ = hardwareAddress;
  loaderRouter_ = context_.registered;
  routerStillRunning_ = false;
  context_.Send(context_.registered, command::kEnterLoader, {}, false);
  // The loader answers from no address yet: let every sender through. The
  // registration is over, so a stray message from the router's old address
  // during the download can no longer end it as if it were registered.
  context_.transactions.EndSession();
  context_.registered = 0;
  ScheduleLoaderScan();
  StartStepTimeout(ProtocolState::WaitingForLoader, kTiming.loaderTimeout, kErrorLoaderNotFound);
  return true;
}

// The request to enter the loader has no acknowledgement. It is sent again
// only on evidence that the router did not take it: a scan of the last round
// found the router still running at its address. A running router takes it
// as it would have taken the first; a router already restarting or in its
// loader cannot be reached at that address (its loader has none yet), so a
// copy that crosses its restart changes nothing. Seeing the loader, or no
// longer seeing the running router, is the sign that the request took
// effect, and then it is not sent again.
void ImageDownload::LoaderScan() {
  if (context_.state != ProtocolState::WaitingForLoader)
    return;
  if (routerStillRunning_)
    context_.Send(loaderRouter_, command::kEnterLoader, {}, false);
  routerStillRunning_ = false;
  context_.Send(context_.broadcast, command::kScanQuery, {}, false);
  ScheduleLoaderScan();
}

void ImageDownload::ScheduleLoaderScan() {
  std::uint32_t run = downloadRun_;
  repetition_ = context_.transport.StartTimer(
      [this, run] {
        if (run == downloadRun_)
          LoaderScan();
      },
      ProtocolTiming::SlotCount(kTiming.loaderScanInterval));
}

void ImageDownload::StartStepTimeout(ProtocolState state, int ticks, int code) {
  context_.transport.CancelTimer(stepTimeout_);
  std::uint32_t run = downloadRun_;
  stepTimeout_ = context_.transport.StartTimer(
      [this, run, state, code] {
        if (run == downloadRun_ && context_.state == state)
          context_.abort(0, code);
      },
      ticks);
}

void ImageDownload::EndDownloadTimers() {
  ++downloadRun_;
  context_.transport.CancelTimer(stepTimeout_);
  context_.transport.CancelTimer(repetition_);
}

bool ImageDownload::StartDownload(ScanCallback done, Bytes image,
                                  const HardwareAddress& hardwareAddress,
                                  std::uint32_t routerAddress, ProgressCallback progress) {
  if (context_.state != ProtocolState::Idle && context_.state != ProtocolState::Registered)
    return false;
  EndDownloadTimers();
  image_ = std::move(image);
  blockOffset_ = 0;
  lastPercent_ = -1;
  // The router restarts after the download, so a registration still in
  // force ends here: numbering starts afresh and the peer filter is lifted.
  if (context_.transactions.registered())
    context_.transactions.EndSession();
  // The loader numbers its messages from 1, whatever the router said before.
  context_.transactions.ForgetDelivered();
  context_.candidate = routerAddress;
  downloadDone_ = std::move(done);
  progress_ = std::move(progress);
  context_.state = ProtocolState::DownloadRequested;
  // The address announcement and, later, the restart request go out once
  // each: what a loader that already took its address, or a router that
  // already restarted, would do with a second copy cannot be known, and a
  // restart repeated into a router that is up again would restart it again.
  // A lost one ends in its step's time-out, which the user sees.
  WireWriter payload;
  payload.Raw(hardwareAddress).U32(routerAddress);
  context_.Send(context_.broadcast, command::kAssignLoaderAddress, payload.bytes(), false);
  StartStepTimeout(ProtocolState::DownloadRequested, kTiming.offerTimeout, kErrorDownloadFailed);
  return true;
}

int ImageDownload::OnDownloadOffer(std::span<const std::uint8_t> payload) {
  if (context_.state != ProtocolState::DownloadRequested || payload.size() < 4)
    return kResultUnexpected;
  context_.state = ProtocolState::Downloading;
  // Blocks are repeated by the request layer; its 8888 ends this step.
  EndDownloadTimers();
  SendNextBlock(WireReader(payload).U32());
  return kResultHandled;
}

void ImageDownload::SendNextBlock(std::uint32_t destination) {
  // An acknowledgement that arrives after the download was given up
  // starts nothing.
  if (context_.state != ProtocolState::Downloading)
    return;
  const std::size_t remaining = image_.size() - blockOffset_;
  const std::size_t length = remaining < kBlockSize ? remaining : kBlockSize;
  // The block's offset, then its bytes straight from the image into the
  // message: nothing else is built or copied per block.
  const auto offset = static_cast<std::uint32_t>(blockOffset_);
  const std::uint8_t head[4] = {
      static_cast<std::uint8_t>(offset >> 24), static_cast<std::uint8_t>(offset >> 16),
      static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset)};
  const std::span<const std::uint8_t> body =
      std::span<const std::uint8_t>(image_).subspan(blockOffset_, length);
  blockOffset_ += length;
  if (remaining < kBlockSize) {
    if (progress_) {
      ProgressCallback progress = progress_;
      progress(100);
    }
    if (context_.state != ProtocolState::Downloading)
      return;
    context_.Send(destination, command::kDownloadBlock, head, body, true,
                  [this](std::uint32_t sender) { RequestRestart(sender); });
    return;
  }
  auto percent = static_cast<int>(static_cast<double>(blockOffset_) * 100.0 /
                                  static_cast<double>(image_.size()));
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    if (progress_) {
      ProgressCallback progress = progress_;
      progress(percent);
    }
    if (context_.state != ProtocolState::Downloading)
      return;
  }
  // The acknowledgement sends the next block at once.
  context_.Send(destination, command::kDownloadBlock, head, body, true,
                [this](std::uint32_t sender) { SendNextBlock(sender); });
}

void ImageDownload::RequestRestart(std::uint32_t destination) {
  if (context_.state != ProtocolState::Downloading)
    return;
  context_.state = ProtocolState::Restarting;
  context_.candidate = destination;
  EndDownloadTimers();
  context_.Send(destination, command::kRestart, {}, false);
  StartStepTimeout(ProtocolState::Restarting, kTiming.restartTimeout, kErrorDownloadFailed);
}

void ImageDownload::OnScanAnswer(const ScanAnswer& answer) {
  if (context_.state == ProtocolState::Restarting) {
    // The router is back after its restart: the download is complete.
    if (answer.routerAddress == context_.candidate) {
      context_.state = ProtocolState::Idle;
      EndDownloadTimers();
      ScanCallback done = std::move(downloadDone_);
      downloadDone_ = nullptr;
      progress_ = nullptr;
      image_.clear();
      if (done)
        done(answer);
    }
  } else if (answer.hardwareAddress == loaderHardware_ && answer.routerAddress != 0) {
    // Still running at its address: the request to enter the loader was lost.
    routerStillRunning_ = true;
  } else if (answer.hardwareAddress == loaderHardware_ && answer.routerAddress == 0) {
    // The loader of our router, which has no address yet.
    context_.state = ProtocolState::Idle;
    EndDownloadTimers();
    ScanCallback found = std::move(loaderFound_);
    loaderFound_ = nullptr;
    if (found)
      found(answer);
  }
}

void ImageDownload::Clear() {
  loaderFound_ = nullptr;
  downloadDone_ = nullptr;
  progress_ = nullptr;
  EndDownloadTimers();
}

}  // namespace tarcfg::protocol
