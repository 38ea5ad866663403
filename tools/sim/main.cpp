// SPDX-License-Identifier: GPL-3.0-or-later
// tarnex-sim: plays the routers of a router file on a UDP socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/control.h"
#include "sim/loaded_image.h"
#include "sim/network.h"
#include "sim/router_file.h"
#include "sim/state_json.h"

using namespace tarnex_sim;

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) {
  stopRequested = 1;
}

const char kUsage[] =
    "usage: tarnex-sim --routers FILE [options]\n"
    "       tarnex-sim make-image FILE --version V [--size N] [--protocol dss1|1tr6]\n"
    "options:\n"
    "  --routers FILE       routers to play: one \"[router]\" section each, with\n"
    "                       \"key = value\" lines (hw, ip, netmask, phone, ...)\n"
    "  --state FILE         write the state as JSON after every change\n"
    "  --ready-file FILE    create FILE once the socket is bound\n"
    "  --bind ADDR          local address (default 0.0.0.0)\n"
    "  --port N             UDP port (default 1532)\n"
    "  --seed N             random seed (default 1)\n"
    "  --drop P             drop each datagram with probability P (0..1)\n"
    "  --duplicate P        duplicate each datagram with probability P (0..1)\n"
    "  --delay MS           delay every answer by MS milliseconds\n"
    "  --refuse CODE        refuse every registration with CODE\n"
    "  --write-status CODE  answer writes (0x3017, 0x3018, 0x3005) with status CODE\n"
    "  --restart-ms MS      silence after a firmware restart (default 1500)\n"
    "  --retransmit-ms MS   repetition period of unacknowledged answers (default 2000)\n"
    "  --continuous-numbering  keep numbering messages across restarts (real routers\n"
    "                       start again from 1)\n"
    "  --control FIFO       take commands (reboot HW, silence HW, unsilence HW) from\n"
    "                       the named pipe FIFO, created if missing\n"
    "  --verbose            log every datagram to standard error\n"
    "  --version            print the version\n"
    "The router file and the state file are described in\n"
    "/usr/share/doc/tarnex-sim/README.md; an example is in\n"
    "/usr/share/doc/tarnex-sim/examples/demo.routers.\n";

bool ParseNumber(const char* text, unsigned long max, unsigned long& out) {
  if (!text || !*text)
    return false;
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 0);
  if (errno || *end || v > max)
    return false;
  out = v;
  return true;
}

bool ParseProbability(const char* text, double& out) {
  if (!text || !*text)
    return false;
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (*end || !(v >= 0 && v <= 1))
    return false;
  out = v;
  return true;
}

int MakeImageCommand(int argc, char** argv) {
  if (argc < 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string path = argv[2], version;
  unsigned long size = kMinimumImageSize;
  uint8_t protocol = 1;
  for (int i = 3; i < argc; ++i) {
    std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--version" && v) {
      version = v;
      ++i;
    } else if (a == "--size" && ParseNumber(v, 64ul << 20, size)) {
      ++i;
    } else if (a == "--protocol" && v && (std::string(v) == "dss1" || std::string(v) == "1tr6")) {
      protocol = std::string(v) == "dss1" ? 1 : 0;
      ++i;
    } else {
      std::fprintf(stderr, "tarnex-sim make-image: bad argument '%s'\n", a.c_str());
      return 2;
    }
  }
  if (version.empty() || version.size() > 10) {
    std::fputs("tarnex-sim make-image: --version V (1 to 10 characters) is required\n", stderr);
    return 2;
  }
  if (protocol == 1 && path.find("fw_1tr6.") != std::string::npos)
    protocol = 0;
  Bytes image = MakeImage(version, protocol, size);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tarnex-sim make-image: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

constexpr size_t kBatch = 64;  // datagrams per recvmmsg or sendmmsg
constexpr size_t kControlSpace = CMSG_SPACE(sizeof(in_pktinfo));

uint64_t NowMs(std::chrono::steady_clock::time_point start) {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count());
}

void Log(const char* direction, uint32_t from, uint32_t to, const Bytes& b) {
  unsigned command = b.size() >= 2 ? unsigned(b[0] << 8 | b[1]) : 0;
  unsigned seq = b.size() >= 4 ? unsigned(b[2] << 8 | b[3]) : 0;
  std::fprintf(stderr, "tarnex-sim: %s %s -> %s cmd %04X seq %u len %zu\n", direction,
               FormatIp(from).c_str(), FormatIp(to).c_str(), command, seq, b.size());
}

// The control channel: a named pipe that anyone may write command lines
// to. The emulator holds it open for reading and writing itself, so that
// writers never block on opening it and it never reads an end of file; a
// line written in one write of at most PIPE_BUF bytes arrives whole.
class ControlChannel {
 public:
  ~ControlChannel() {
    if (fd_ >= 0)
      close(fd_);
    if (created_)
      unlink(path_.c_str());
  }

  // Gives "" or the error.
  std::string Open(const std::string& path) {
    path_ = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
      if (!S_ISFIFO(st.st_mode))
        return path + " exists and is not a named pipe";
    } else if (mkfifo(path.c_str(), 0600) != 0) {
      return "cannot create " + path + ": " + std::strerror(errno);
    } else {
      created_ = true;
    }
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
      return "cannot open " + path + ": " + std::strerror(errno);
    return "";
  }
  bool active() const { return fd_ >= 0; }

  // Carries out every complete line waiting in the pipe.
  void Poll(Network& network, uint64_t nowMs) {
    char buffer[4096];
    for (;;) {
      ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0)
        break;
      pending_.append(buffer, size_t(n));
    }
    size_t start = 0;
    for (size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
      std::string line = pending_.substr(start, end - start);
      std::string error = ApplyControlCommand(network, line, nowMs);
      if (!error.empty())
        std::fprintf(stderr, "tarnex-sim: control: %s\n", error.c_str());
      else if (line.find_first_not_of(" \t\r") != std::string::npos && line[0] != '#')
        std::fprintf(stderr, "tarnex-sim: control: %s\n", line.c_str());
    }
    pending_.erase(0, start);
    if (pending_.size() > 4096) {
      std::fputs("tarnex-sim: control: line too long, dropped\n", stderr);
      pending_.clear();
    }
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  std::string pending_;
};

// How often the control pipe is looked at, at most.
constexpr uint64_t kControlPeriodMs = 50;

struct Options {
  std::string routersPath, statePath, readyPath, controlPath;
  uint32_t bindAddress = 0;
  unsigned long port = 1532, seed = 1;
  Faults faults;
  Timing timing;
  bool verbose = false;
};

// Reads the command line into `options`: -1 to go on, else the exit code
// (0 after --help, 2 after a bad option, having said so).
int ParseOptions(int argc, char** argv, Options& options) {
  Faults& faults = options.faults;
  Timing& timing = options.timing;
  unsigned long number = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (a == "--verbose") {
      options.verbose = true;
      continue;
    } else if (a == "--continuous-numbering") {
      faults.continuousNumbering = true;
      continue;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::fputs("tarnex-sim " TARCFG_VERSION "\n", stdout);
      return 0;
    } else if (!v) {
      ok = false;
    } else if (a == "--routers") {
      options.routersPath = v;
    } else if (a == "--state") {
      options.statePath = v;
    } else if (a == "--ready-file") {
      options.readyPath = v;
    } else if (a == "--control") {
      options.controlPath = v;
    } else if (a == "--bind") {
      auto ip = ParseIp(v);
      ok = ip.has_value();
      options.bindAddress = ip.value_or(0);
    } else if (a == "--port") {
      ok = ParseNumber(v, 65535, options.port) && options.port != 0;
    } else if (a == "--seed") {
      ok = ParseNumber(v, 0xFFFFFFFFul, options.seed);
    } else if (a == "--drop") {
      ok = ParseProbability(v, faults.dropProbability);
    } else if (a == "--duplicate") {
      ok = ParseProbability(v, faults.duplicateProbability);
    } else if (a == "--delay") {
      ok = ParseNumber(v, 600000, number);
      faults.delayMs = uint32_t(number);
    } else if (a == "--refuse") {
      ok = ParseNumber(v, 65535, number);
      faults.refuseCode = uint16_t(number);
    } else if (a == "--write-status") {
      ok = ParseNumber(v, 65535, number);
      faults.writeStatus = uint16_t(number);
    } else if (a == "--restart-ms") {
      ok = ParseNumber(v, 600000, number);
      timing.restartMs = uint32_t(number);
    } else if (a == "--retransmit-ms") {
      ok = ParseNumber(v, 600000, number) && number > 0;
      timing.retransmitMs = uint32_t(number);
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "tarnex-sim: bad option '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
    ++i;
  }
  if (options.routersPath.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return -1;
}

// The bound UDP socket, or -1 having said why. Blocking for receiving (see
// UdpLink::Receive); every send is MSG_DONTWAIT.
int OpenSocket(const Options& options) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1;
  if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
      setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0) {
    std::perror("tarnex-sim: socket");
    return -1;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(uint16_t(options.port));
  local.sin_addr.s_addr = htonl(options.bindAddress);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    std::fprintf(stderr, "tarnex-sim: cannot bind %s:%lu: %s\n",
                 FormatIp(options.bindAddress).c_str(), options.port, std::strerror(errno));
    return -1;
  }
  return fd;
}

void CatchStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The emulator's datagrams on the socket: batches out with sendmmsg and in
// with recvmmsg, answers from the routers' own addresses, to the port each
// host last sent from.
class UdpLink {
 public:
  UdpLink(int fd, const Options& options)
      : fd_(fd),
        bindAddress_(options.bindAddress),
        port_(uint16_t(options.port)),
        verbose_(options.verbose) {}
  UdpLink(const UdpLink&) = delete;
  UdpLink& operator=(const UdpLink&) = delete;

  // Everything due goes out in one sendmmsg. An acknowledgement and the
  // answer behind it then leave together: sent one by one, the host woken
  // by the first would preempt the emulator before the second, and so wake
  // twice per exchange.
  void SendAll(const std::vector<Datagram>& out) {
    size_t i = 0;
    while (i < out.size()) {
      size_t n = std::min(out.size() - i, kBatch);
      for (size_t k = 0; k < n; ++k) {
        if (verbose_)
          Log("tx", out[i + k].from, out[i + k].to, out[i + k].bytes);
        sendHeaders_[k] = mmsghdr{};
        Prepare(out[i + k], sendAddresses_[k], sendVectors_[k], sendControls_[k].data(),
                sendHeaders_[k].msg_hdr);
      }
      int sent = sendmmsg(fd_, sendHeaders_.data(), unsigned(n), MSG_DONTWAIT);
      i += sent > 0 ? size_t(sent) : 0;
      if (sent < int(n))
        SendOne(out[i++]);  // the one that failed, with the fallback
    }
  }

  // Waits up to `timeoutMs` for datagrams and hands up to kBatch of them to
  // `network`. False when the socket failed.
  bool Receive(int timeoutMs, Network& network, std::chrono::steady_clock::time_point start) {
    PrepareReceive();
    // The wait for the next datagram is the receive itself, bounded by the
    // socket's receive time-out: a poll before it would be one more system
    // call per exchange, a tenth of a round trip on the link.
    int flags = MSG_WAITFORONE;
    if (timeoutMs == 0) {
      flags = MSG_DONTWAIT;
    } else if (timeoutMs != waitMs_) {
      timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
      if (setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0)
        waitMs_ = timeoutMs;
    }
    int received = recvmmsg(fd_, receiveHeaders_.data(), unsigned(kBatch), flags, nullptr);
    if (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      std::perror("tarnex-sim: recvmmsg");
      return false;
    }
    for (int k = 0; k < received; ++k)
      Deliver(size_t(k), network, start);
    return true;
  }

 private:
  // The message header of datagram `d`, with its source address in
  // `control` when the emulator must answer from a router's own address.
  void Prepare(const Datagram& d, sockaddr_in& to, iovec& iov, char* control, msghdr& msg) {
    to = sockaddr_in{};
    to.sin_family = AF_INET;
    auto p = hostPorts_.find(d.to);
    to.sin_port = htons(p != hostPorts_.end() ? p->second : port_);
    to.sin_addr.s_addr = htonl(d.to);
    iov = iovec{const_cast<uint8_t*>(d.bytes.data()), d.bytes.size()};
    msg = msghdr{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    // A socket bound to one address sends from that address only.
    if (d.from != 0 && bindAddress_ == 0) {
      std::memset(control, 0, kControlSpace);
      msg.msg_control = control;
      msg.msg_controllen = kControlSpace;
      cmsghdr* c = CMSG_FIRSTHDR(&msg);
      c->cmsg_level = IPPROTO_IP;
      c->cmsg_type = IP_PKTINFO;
      c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
      in_pktinfo info{};
      info.ipi_spec_dst.s_addr = htonl(d.from);
      std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
  }

  // One datagram on its own, falling back to any source address when the
  // router's address is not one of this host's.
  void SendOne(const Datagram& d) {
    sockaddr_in to;
    iovec iov;
    alignas(cmsghdr) char control[kControlSpace];
    msghdr msg;
    Prepare(d, to, iov, control, msg);
    if (sendmsg(fd_, &msg, MSG_DONTWAIT) >= 0)
      return;
    if (msg.msg_control && (errno == EINVAL || errno == EADDRNOTAVAIL)) {
      if (!warnedSource_) {
        std::fprintf(stderr, "tarnex-sim: %s is not a local address; sending from another one\n",
                     FormatIp(d.from).c_str());
        warnedSource_ = true;
      }
      msg.msg_control = nullptr;
      msg.msg_controllen = 0;
      if (sendmsg(fd_, &msg, MSG_DONTWAIT) >= 0)
        return;
    }
    if (verbose_)
      std::fprintf(stderr, "tarnex-sim: send failed: %s\n", std::strerror(errno));
  }

  void PrepareReceive() {
    for (size_t k = 0; k < kBatch; ++k) {
      receiveVectors_[k] = iovec{receiveBuffers_[k].data(), receiveBuffers_[k].size()};
      msghdr& msg = receiveHeaders_[k].msg_hdr;
      msg = msghdr{};
      msg.msg_name = &receiveAddresses_[k];
      msg.msg_namelen = sizeof(sockaddr_in);
      msg.msg_iov = &receiveVectors_[k];
      msg.msg_iovlen = 1;
      msg.msg_control = receiveControls_[k].data();
      msg.msg_controllen = receiveControls_[k].size();
    }
  }

  // Received datagram `k` to the network, addressed as it arrived.
  void Deliver(size_t k, Network& network, std::chrono::steady_clock::time_point start) {
    msghdr& msg = receiveHeaders_[k].msg_hdr;
    if (msg.msg_flags & MSG_TRUNC)
      return;  // larger than any message of the protocol
    uint32_t destination = 0xFFFFFFFF;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        destination = ntohl(info.ipi_addr.s_addr);
      }
    }
    // Bound to one address (e.g. loopback for a quick look): what arrives
    // there is meant for every router.
    if (bindAddress_ != 0 && destination == bindAddress_)
      destination = 0xFFFFFFFF;
    const sockaddr_in& from = receiveAddresses_[k];
    uint32_t sender = ntohl(from.sin_addr.s_addr);
    hostPorts_[sender] = ntohs(from.sin_port);
    const uint8_t* data = receiveBuffers_[k].data();
    Bytes bytes(data, data + receiveHeaders_[k].msg_len);
    if (verbose_)
      Log("rx", sender, destination, bytes);
    network.Receive(NowMs(start), sender, destination, bytes);
  }

  const int fd_;
  const uint32_t bindAddress_;
  const uint16_t port_;
  const bool verbose_;
  std::map<uint32_t, uint16_t> hostPorts_;  // answers go to the port a host sent from
  bool warnedSource_ = false;
  int waitMs_ = -1;  // the receive time-out set on the socket

  std::vector<mmsghdr> sendHeaders_ = std::vector<mmsghdr>(kBatch);
  std::vector<sockaddr_in> sendAddresses_ = std::vector<sockaddr_in>(kBatch);
  std::vector<iovec> sendVectors_ = std::vector<iovec>(kBatch);
  std::vector<std::array<char, kControlSpace>> sendControls_ =
      std::vector<std::array<char, kControlSpace>>(kBatch);

  std::vector<mmsghdr> receiveHeaders_ = std::vector<mmsghdr>(kBatch);
  std::vector<sockaddr_in> receiveAddresses_ = std::vector<sockaddr_in>(kBatch);
  std::vector<iovec> receiveVectors_ = std::vector<iovec>(kBatch);
  std::vector<std::array<uint8_t, 2048>> receiveBuffers_ =
      std::vector<std::array<uint8_t, 2048>>(kBatch);
  std::vector<std::array<char, 256>> receiveControls_ = std::vector<std::array<char, 256>>(kBatch);
};

// How long the next receive may wait: until the network's next event, a
// second at the most, and no longer than the control pipe's period.
int ReceiveTimeoutMs(const Network& network, uint64_t now, bool controlActive) {
  uint64_t next = network.NextEventMs();
  int timeout = 1000;
  if (next != UINT64_MAX)
    timeout = int(next > now ? std::min<uint64_t>(next - now, 1000) : 0);
  if (controlActive)
    timeout = std::min(timeout, int(kControlPeriodMs));
  return timeout;
}

// Plays the network on `link` until a stop signal (or a failed socket).
void Serve(Network& network, UdpLink& link, ControlChannel& commands, const std::string& statePath,
           std::chrono::steady_clock::time_point start) {
  uint64_t nextControlMs = 0;
  uint64_t writtenVersion = UINT64_MAX;
  while (!stopRequested) {
    uint64_t now = NowMs(start);
    // Looked at every kControlPeriodMs rather than on every datagram, so
    // that a download does not pay a read per block for it.
    if (commands.active() && now >= nextControlMs) {
      commands.Poll(network, now);
      nextControlMs = now + kControlPeriodMs;
    }
    network.Advance(now);
    link.SendAll(network.TakeOutgoing(now));
    if (!statePath.empty() && network.version() != writtenVersion) {
      if (!WriteFileAtomically(statePath, StateJson(network, now)))
        std::fprintf(stderr, "tarnex-sim: cannot write %s\n", statePath.c_str());
      writtenVersion = network.version();
    }
    if (!link.Receive(ReceiveTimeoutMs(network, now, commands.active()), network, start))
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "make-image")
    return MakeImageCommand(argc, argv);

  Options options;
  if (int exitCode = ParseOptions(argc, argv, options); exitCode >= 0)
    return exitCode;
  RouterFileResult file = LoadRouterFile(options.routersPath);
  if (!file.error.empty()) {
    std::fprintf(stderr, "tarnex-sim: %s\n", file.error.c_str());
    return 1;
  }

  int fd = OpenSocket(options);
  if (fd < 0)
    return 1;
  CatchStopSignals();

  ControlChannel commands;
  if (!options.controlPath.empty()) {
    std::string error = commands.Open(options.controlPath);
    if (!error.empty()) {
      std::fprintf(stderr, "tarnex-sim: %s\n", error.c_str());
      return 1;
    }
  }

  Network network(std::move(file.routers), options.faults, uint32_t(options.seed), options.timing);
  auto start = std::chrono::steady_clock::now();
  if (!options.readyPath.empty()) {
    std::ofstream(options.readyPath) << getpid() << "\n";
  }
  std::fprintf(stderr, "tarnex-sim: %zu routers on %s:%lu\n", network.routers().size(),
               FormatIp(options.bindAddress).c_str(), options.port);

  UdpLink link(fd, options);
  Serve(network, link, commands, options.statePath, start);

  if (!options.statePath.empty())
    WriteFileAtomically(options.statePath, StateJson(network, NowMs(start)));
  close(fd);
  std::fputs("tarnex-sim: stopped\n", stderr);
  return 0;
}
