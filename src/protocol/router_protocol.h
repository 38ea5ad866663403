// SPDX-License-Identifier: GPL-3.0-or-later
// RouterProtocol: everything the tool says to Tarnex routers over UDP port
// 1532, in one object per process. It is the one door to the protocol: the
// transport with its timer slots, the numbered request layer, the
// dispatcher and the table transfer and firmware download behind it are its
// own business.
//
// The front end creates it with a socket, the workstation settings, the
// protocol tables and the address service, and drives it through two entry
// points: OnDatagramReady when the socket is readable and OnTimerTick once a
// second. Every operation reports through the callbacks it was given and
// through the one error callback given to OpenRouterProtocol; nothing here
// blocks, sleeps, throws or keeps a reference to the caller's lists.
//
// The error codes of the layers below (transactions.h, transport.h) are part
// of what the error callback reports, so their headers come with this one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/address.h"
#include "config/configuration.h"
#include "config/gui_settings.h"
#include "config/records.h"
#include "protocol/socket.h"
#include "protocol/table_codec.h"
#include "protocol/transactions.h"
#include "protocol/transport.h"
#include "protocol/wire.h"

namespace tarcfg {

enum class ProtocolState {
  Idle = 0,
  Registering = 1,
  PasswordRequested = 2,
  Registered = 3,
  Transferring = 4,
  DownloadRequested = 5,
  Downloading = 6,
  Restarting = 7,
  WaitingForLoader = 8,
};

// Commands on the wire. The emulator (tools/sim/wire_codes.h) calls them by
// the same names.
namespace command {
inline constexpr std::uint16_t kAssignLoaderAddress = 0x0001;
inline constexpr std::uint16_t kDownloadBlock = 0x0002;
inline constexpr std::uint16_t kRestart = 0x0003;
inline constexpr std::uint16_t kEnterLoader = 0x0004;
inline constexpr std::uint16_t kDownloadOffer = 0x0011;
inline constexpr std::uint16_t kLineStatusReport = 0x0F01;
inline constexpr std::uint16_t kRegister = 0x1001;
inline constexpr std::uint16_t kDeregister = 0x1003;
inline constexpr std::uint16_t kPasswordRequest = 0x1004;
inline constexpr std::uint16_t kChangePassword = 0x1005;
inline constexpr std::uint16_t kReadTableEntry = 0x1011;
inline constexpr std::uint16_t kReadAccounting = 0x1012;
inline constexpr std::uint16_t kConnect = 0x1013;
inline constexpr std::uint16_t kDisconnect = 0x1014;
inline constexpr std::uint16_t kStartLineMonitor = 0x1015;
inline constexpr std::uint16_t kStopLineMonitor = 0x1016;
inline constexpr std::uint16_t kWriteTableEntry = 0x1017;
inline constexpr std::uint16_t kWriteParameters = 0x1018;
inline constexpr std::uint16_t kRegistrationAccepted = 0x3001;
inline constexpr std::uint16_t kRegistrationRefused = 0x3003;
inline constexpr std::uint16_t kPassword = 0x3004;
inline constexpr std::uint16_t kPasswordChanged = 0x3005;
inline constexpr std::uint16_t kTableEntry = 0x3011;
inline constexpr std::uint16_t kAccountingEntry = 0x3012;
inline constexpr std::uint16_t kTableEntryWritten = 0x3017;
inline constexpr std::uint16_t kParametersWritten = 0x3018;
inline constexpr std::uint16_t kScanAnswer = 0x3031;
inline constexpr std::uint16_t kOverviewAnswer = 0x3032;
inline constexpr std::uint16_t kScanQuery = 0xF031;
inline constexpr std::uint16_t kOverviewQuery = 0xF032;
}  // namespace command

// Handler results and codes reported through the error callback.
inline constexpr int kResultHandled = 0;
inline constexpr int kResultUnexpected = 1;
inline constexpr int kResultMalformed = 7;
inline constexpr int kResultUnknownCommand = 9999;
inline constexpr int kStatusReported11 = 11;
inline constexpr int kStatusFlashFailed = 12;
inline constexpr int kErrorDownloadFailed = 13;
inline constexpr int kErrorLoaderNotFound = 14;

inline constexpr std::size_t kBlockSize = 500;

using HardwareAddress = std::array<std::uint8_t, 6>;

struct ScanAnswer {
  int end = 0;  // 1: the scan is over; the other fields mean nothing then
  std::uint32_t routerAddress = 0;
  HardwareAddress hardwareAddress{};
  std::uint32_t registeredHost = 0;  // 0: nobody holds the router
};

struct OverviewChannel {
  int state = 0;  // ChannelState code
  std::uint32_t remoteAddress = 0;
  std::string remoteName;  // up to 20 characters
};

struct OverviewAnswer {
  int end = 0;
  std::uint32_t routerAddress = 0;
  std::array<OverviewChannel, 2> channels;
  int dChannelProtocol = 0;
  int permanentConnection = 0;
  std::string firmwareVersion;  // up to 10 characters; empty when the answer is short
};

enum class RegistrationKind { Accepted = 0, PasswordRequested = 1, Refused = 2 };

struct RegistrationResult {
  RegistrationKind kind = RegistrationKind::Accepted;
  std::uint16_t seed = 0;               // PasswordRequested
  std::uint16_t challengeSequence = 0;  // PasswordRequested
  std::uint16_t lineTargetCount = 0;    // Accepted
  std::uint16_t routeCount = 0;
  std::uint16_t filterCount = 0;
  std::uint16_t refusalCode = 0;  // Refused
  std::string netmask;            // Accepted; empty when the answer is short
  std::string phoneNumber;
  std::uint8_t dChannelProtocol = 0;
  std::uint8_t permanentConnection = 0;
  std::string firmwareVersion;
  std::string registeredHost;  // Refused: who holds the router, when named
};

// ChannelState codes as routers report them; anything above 5 counts as 0.
inline int NormalizeChannelState(int state) {
  return state < 0 || state > 5 ? 0 : state;
}

struct ChannelStatus {
  int state = 0;
  std::uint16_t cause = 0;
  std::string remoteAddress;
  std::string phoneNumber;
  std::uint32_t duration = 0;
  std::uint32_t charge = 0;
  std::uint32_t packetsOut = 0;
  std::uint32_t packetsIn = 0;
};

struct LineStatus {
  std::array<ChannelStatus, 2> channels;  // B-channel 1 first
};

// The 10 bytes a password travels as, scrambled with the router's seed.
void ScramblePassword(std::uint8_t out[kPasswordWireLength],
                      const std::uint8_t in[kPasswordWireLength], std::uint16_t seed);

namespace protocol {
class ProtocolContext;
class TableTransfer;
class ImageDownload;
}  // namespace protocol

class RouterProtocol {
 public:
  using ErrorCallback = std::function<void(int code)>;
  using ScanCallback = std::function<void(const ScanAnswer&)>;
  using OverviewCallback = std::function<void(const OverviewAnswer&)>;
  using RegistrationCallback = std::function<void(const RegistrationResult&)>;
  using DoneCallback = std::function<void()>;
  using ConfigurationCallback = std::function<void(Configuration&)>;
  using LineTargetsCallback = std::function<void(LineTargetList&)>;
  using RoutesCallback = std::function<void(RouteList&)>;
  using FiltersCallback = std::function<void(FilterList&)>;
  using CountCallback = std::function<void(int messages)>;
  using LineStatusCallback = std::function<void(const LineStatus&)>;
  using ProgressCallback = std::function<void(int percent)>;
  using SeedSource = std::function<std::uint16_t()>;

  RouterProtocol(DatagramSocket& socket, const GuiSettings& settings, const ProtocolTables& tables,
                 AddressService& addresses);
  ~RouterProtocol();
  RouterProtocol(const RouterProtocol&) = delete;
  RouterProtocol& operator=(const RouterProtocol&) = delete;

  // --- Event entry points, driven by the front end ---------------------
  void OnDatagramReady();
  void OnTimerTick();
  // From inside a callback that is about to block (a password prompt): what
  // the protocol has sent while handling the current datagrams, collected
  // to leave together, goes out now (see Transport::SendDatagram).
  void FlushSends();
  // Watch this for read readiness (QSocketNotifier, poll); -1 in memory.
  int socketDescriptor() const;

  // --- Opening and discovery -------------------------------------------
  // 0, or the OpenTransport code (-1000 no own address, 1 socket failure;
  // openErrorNumber() then holds the errno of the failing call).
  int OpenRouterProtocol(ErrorCallback error, std::uint32_t broadcastAddress);
  int openErrorNumber() const;
  // Three queries, at once and after about 2 and 3 seconds; the callback
  // gets every answer and, about 4 seconds after the start, end = 1.
  void ScanNetwork(ScanCallback result);
  // Two queries; end = 1 about 3 seconds after the start.
  void QueryRouterOverview(OverviewCallback result);

  // --- Registration -------------------------------------------------------
  void Register(RegistrationCallback result, std::uint32_t router);
  void SendPassword(std::uint16_t challengeSequence, std::string_view password, std::uint16_t seed);
  // The user cancelled the password prompt: back to Idle, nothing sent.
  void AbandonPasswordPrompt();
  // Called when a registration attempt ends without any result record or
  // error code (a refused message from the candidate).
  void SetRegistrationAbandonedCallback(DoneCallback abandoned) {
    abandoned_ = std::move(abandoned);
  }
  // Ends the registration and tells the router, also while a request is
  // still in flight (it is cancelled) or the router has not answered the
  // registration yet. Does nothing while idle or downloading.
  void Deregister();
  // Gives up on the router as if it had stopped answering, with `code` as
  // the reason: a registration attempt ends without a word to the router
  // (the abandoned callback runs); a registered router is told that we
  // leave, with `code`, and `code` goes to the error callback. A firmware
  // download goes on unless `code` is 13 or 14.
  void AbandonRouter(int code);
  void ChangePassword(DoneCallback result, std::string_view newPassword,
                      std::string_view currentPassword, bool exclusive);
  // Routers this host has let go of and is still telling so: after a
  // deregistration, an error, a time-out, a cancelled password prompt or an
  // acceptance that came too late, 0x1003 goes to the router at once and
  // again on the next ticks (kTiming.releaseSends in all), unless a registration
  // with that router starts again.
  bool releasePending() const { return !releases_.empty(); }
  // Sends every repetition still due now: for a front end about to exit.
  void FinishReleases();
  // Tests pin the password-change seed; by default it is random.
  void SetSeedSource(SeedSource source) { seedSource_ = std::move(source); }

  // --- Configuration transfer --------------------------------------------
  void ReadLineTargets(LineTargetsCallback done, int count);
  void ReadRoutes(RoutesCallback done, int count);
  void ReadFilters(FiltersCallback done, int count);
  void ReadConfiguration(int lineTargetCount, int routeCount, int filterCount,
                         ConfigurationCallback done);

  // Writes work on their own snapshots; the caller's lists may change or
  // go away while the chain runs. The edited lists get their new
  // tablePosition numbers (0, 1, 2, ...) at the call, as the router will
  // hold them afterwards.
  void WriteLineTargets(CountCallback done, LineTargetList& edited, const LineTargetList& saved);
  void WriteRoutes(CountCallback done, RouteList& edited, const RouteList& saved);
  void WriteFilters(CountCallback done, FilterList& edited, const FilterList& saved);
  // Routes and filters are written only when their edited list is given; a
  // missing saved list counts as empty.
  void WriteConfiguration(LineTargetList& editedLineTargets, const LineTargetList& savedLineTargets,
                          RouteList* editedRoutes, const RouteList* savedRoutes,
                          FilterList* editedFilters, const FilterList* savedFilters,
                          CountCallback done);
  // Sends exactly the plan's entries (line targets, routes, filters); the
  // callback gets how many were confirmed.
  void WriteConfiguration(const WritePlan& plan, CountCallback done);
  // How far the last table write got, kept after it ended until the next
  // one starts: a write that broke off is reported entry by entry from it.
  WriteProgress writeProgress() const;
  void WriteRouterParameters(DoneCallback result, const RouterParameters& parameters);

  // --- Monitoring and accounting -----------------------------------------
  void StartLineMonitor(LineStatusCallback monitor);
  void StopLineMonitor();
  void ConnectLineTarget(int position);
  void DisconnectChannel(int channel);  // 1 or 2
  // The callback gets a copy of `lineTargets` with accountingCounters filled.
  void ReadAccounting(LineTargetsCallback done, const LineTargetList* lineTargets);
  void ReadAndResetAccounting(LineTargetsCallback done, const LineTargetList* lineTargets);

  // --- Firmware download -------------------------------------------------
  // False when the image cannot be loaded or fails the checks (message
  // 40109); true when the download has started. `done` gets the router's
  // announcement after the restart.
  bool DownloadFirmware(const HardwareAddress& hardwareAddress, const RouterParameters& parameters,
                        const LineTargetList* lineTargets, const RouteList* routes,
                        const FilterList* filters, ScanCallback done, ProgressCallback progress);
  // False when nothing was started (not registered; not idle or registered).
  bool EnterLoader(const HardwareAddress& hardwareAddress, ScanCallback loaderFound);
  bool StartDownload(ScanCallback done, Bytes image, const HardwareAddress& hardwareAddress,
                     std::uint32_t routerAddress, ProgressCallback progress);
  // The firmware file for these parameters: "<dir>/fw_dss1.<version>" or
  // "<dir>/fw_1tr6.<version>".
  std::string FirmwareImagePath(const RouterParameters& parameters) const;

  // --- Queries -------------------------------------------------------------
  ProtocolState state() const;
  std::uint32_t candidateRouter() const;
  std::uint32_t registeredRouter() const;
  std::uint32_t broadcastAddress() const;
  bool lineMonitorActive() const { return static_cast<bool>(lineMonitor_); }
  bool chainRunning() const;
  // A numbered request waits for its acknowledgement: a second one now
  // would be refused with 8999.
  bool requestOutstanding() const;
  // The workstation's address, as the transport was opened with it.
  std::uint32_t ownAddress() const;

 private:
  // Reaches the dispatcher and the layers below for the protocol's tests.
  friend class RouterProtocolTestPeer;

  using Handler = int (RouterProtocol::*)(std::uint32_t sender, std::uint16_t sequence,
                                          std::span<const std::uint8_t> payload);
  struct DispatchEntry {
    std::uint16_t command;
    Handler handler;
    bool registeredOnly;
  };
  static const DispatchEntry* FindHandler(std::uint16_t command);

  // --- The state machine -------------------------------------------------
  void OnProtocolMessage(std::uint32_t sender, std::uint16_t command, std::uint16_t sequence,
                         std::span<const std::uint8_t> payload);
  void OnTransportError(int code);
  // The rule by which a handler's result `code` for a message of `sender`
  // ends a registration or a download.
  void AbortRegistration(std::uint32_t sender, int code);

  int OnScanAnswer(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnOverviewAnswer(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnPasswordRequest(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnRegistrationAccepted(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnRegistrationRefused(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnRouterDeregistered(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnPasswordChanged(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnTableEntry(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnTableEntryWritten(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnParametersWritten(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnLineStatus(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnConnectionReport(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnAccountingEntry(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);
  int OnDownloadOffer(std::uint32_t, std::uint16_t, std::span<const std::uint8_t>);

  // Forgets the routers, the callbacks and every chain in progress.
  void ClearRegistration();
  // Starts telling `router` that this host lets it go (0x1003, with `code`
  // as its payload when given), now and on the next ticks.
  void Release(std::uint32_t router, std::optional<std::uint16_t> code = std::nullopt);
  // Sends the next 0x1003 of every release (of `only` that router's when
  // not 0) and forgets those that are done.
  void RepeatReleases(std::uint32_t only = 0);
  // The router a registration or an attempt holds or may yet hold: the
  // candidate while registering, the registered router after; 0 otherwise
  // (idle, downloading).
  std::uint32_t RouterInUse() const;
  // A 0x3001 from a router this host is not (or no longer) registering with.
  bool IsUnwantedAcceptance(std::uint32_t sender) const;
  int ParameterAnswer(std::uint16_t expected, std::span<const std::uint8_t> payload);
  void ScanQueryAgain();
  // Ends a registration attempt or request whose router has fallen silent.
  void WatchForAnswer();

  // The transport, the request layer and the state the parts share.
  std::unique_ptr<protocol::ProtocolContext> context_;
  std::unique_ptr<protocol::TableTransfer> transfer_;
  std::unique_ptr<protocol::ImageDownload> download_;

  DoneCallback abandoned_;
  SeedSource seedSource_;
  ScanCallback scanResult_;
  OverviewCallback overviewResult_;
  RegistrationCallback registrationResult_;
  DoneCallback doneResult_;  // password change, parameter write
  LineStatusCallback lineMonitor_;
  struct PendingRelease {
    std::uint32_t router = 0;
    std::optional<std::uint16_t> code;
    int sendsLeft = 0;
  };
  std::vector<PendingRelease> releases_;
  bool passwordSent_ = false;  // the answer to the challenge is on its way
  int silentTicks_ = 0;        // ticks without a word since a request was acknowledged
};

}  // namespace tarcfg
