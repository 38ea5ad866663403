// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/udp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace tarcfg {

UdpSocket::~UdpSocket() {
  if (fd_ >= 0)
    ::close(fd_);
}

int UdpSocket::Open(std::uint16_t port) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return errno;
  int on = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    int error = errno;
    ::close(fd);
    return error;
  }
  // A smaller buffer than asked for is not fatal; it only makes bursts
  // lossier. SO_RCVBUF is capped by the system's limit (net.core.rmem_max,
  // often 208 KiB: room for some 600 scan answers); a process with the
  // right to (root, CAP_NET_ADMIN) gets the full size past that limit.
  int size = kReceiveBufferBytes;
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
    (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    int error = errno;
    ::close(fd);
    return error;
  }
  fd_ = fd;
  waitMs_ = timeoutMs_ = 0;
  blocking_ = false;
  return 0;
}

int UdpSocket::SendTo(std::uint32_t address, std::uint16_t port,
                      std::span<const std::uint8_t> bytes) {
  if (fd_ < 0)
    return EBADF;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  to.sin_port = htons(port);
  ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT,
                          reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (sent < 0)
    return errno;
  return 0;
}

ReceivedDatagram UdpSocket::ReceiveFrom(std::span<std::uint8_t> buffer) {
  ReceivedDatagram result;
  if (fd_ < 0)
    return result;
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  // MSG_TRUNC makes the call give the datagram's real length, so an
  // oversized one can be told apart from one that exactly fills the buffer.
  ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n < 0)
    return result;
  result.length = static_cast<int>(n);
  result.sender = ntohl(from.sin_addr.s_addr);
  result.senderPort = ntohs(from.sin_port);
  return result;
}

int UdpSocket::SetReceiveWait(int milliseconds) {
  if (fd_ < 0)
    return EBADF;
  milliseconds = std::max(milliseconds, 0);
  if (milliseconds > 10)
    milliseconds = milliseconds / 10 * 10;
  if (milliseconds > 0 && !blocking_) {
    // Every other call passes MSG_DONTWAIT; only ReceiveBatch's first
    // datagram is waited for.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
      return errno;
    blocking_ = true;
  }
  if (milliseconds > 0 && milliseconds != timeoutMs_) {
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0)
      return errno;
    timeoutMs_ = milliseconds;
  }
  waitMs_ = milliseconds;
  return 0;
}

std::size_t UdpSocket::ReceiveBatch(std::span<const std::span<std::uint8_t>> buffers,
                                    std::span<ReceivedDatagram> received) {
  constexpr std::size_t kLargestBatch = 16;
  const std::size_t count =
      std::min({buffers.size(), received.size(), waitMs_ > 0 ? kLargestBatch : 1});
  if (fd_ < 0 || count == 0)
    return 0;
  // Only the entries used are set: clearing whole arrays per call cost more
  // instructions than the rest of a block's handling.
  std::array<mmsghdr, kLargestBatch> headers;
  std::array<iovec, kLargestBatch> vectors;
  std::array<sockaddr_in, kLargestBatch> senders;
  for (std::size_t i = 0; i < count; ++i) {
    headers[i] = mmsghdr{};
    vectors[i] = iovec{buffers[i].data(), buffers[i].size()};
    headers[i].msg_hdr.msg_name = &senders[i];
    headers[i].msg_hdr.msg_namelen = sizeof senders[i];
    headers[i].msg_hdr.msg_iov = &vectors[i];
    headers[i].msg_hdr.msg_iovlen = 1;
  }
  // MSG_WAITFORONE waits (up to SO_RCVTIMEO) only for the first datagram
  // of a blocking descriptor; everything behind it is taken without waiting.
  const int flags = waitMs_ > 0 ? MSG_WAITFORONE : MSG_DONTWAIT;
  const int n = ::recvmmsg(fd_, headers.data(), static_cast<unsigned>(count), flags, nullptr);
  if (n <= 0)
    return 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
    ReceivedDatagram& datagram = received[i];
    // A datagram larger than its buffer: MSG_TRUNC in its flags; its real
    // length is unknown here, so it counts as one byte longer than the
    // buffer, which is enough for the transport to drop it.
    datagram.length = static_cast<int>(headers[i].msg_len);
    if (headers[i].msg_hdr.msg_flags & MSG_TRUNC)
      datagram.length = static_cast<int>(buffers[i].size()) + 1;
    datagram.sender = ntohl(senders[i].sin_addr.s_addr);
    datagram.senderPort = ntohs(senders[i].sin_port);
  }
  return static_cast<std::size_t>(n);
}

void UdpSocket::SendBatch(std::span<const OutgoingDatagram> datagrams, std::span<int> results) {
  constexpr std::size_t kLargestBatch = 16;
  std::size_t done = 0;
  const std::size_t total = std::min(datagrams.size(), results.size());
  while (done < total) {
    if (fd_ < 0) {
      results[done++] = EBADF;
      continue;
    }
    const std::size_t count = std::min(total - done, kLargestBatch);
    std::array<mmsghdr, kLargestBatch> headers;
    std::array<iovec, kLargestBatch> vectors;
    std::array<sockaddr_in, kLargestBatch> receivers;
    for (std::size_t i = 0; i < count; ++i) {
      const OutgoingDatagram& datagram = datagrams[done + i];
      headers[i] = mmsghdr{};
      receivers[i] = sockaddr_in{};
      receivers[i].sin_family = AF_INET;
      receivers[i].sin_addr.s_addr = htonl(datagram.address);
      receivers[i].sin_port = htons(datagram.port);
      vectors[i] = iovec{const_cast<std::uint8_t*>(datagram.bytes.data()), datagram.bytes.size()};
      headers[i].msg_hdr.msg_name = &receivers[i];
      headers[i].msg_hdr.msg_namelen = sizeof receivers[i];
      headers[i].msg_hdr.msg_iov = &vectors[i];
      headers[i].msg_hdr.msg_iovlen = 1;
    }
    const int sent = ::sendmmsg(fd_, headers.data(), static_cast<unsigned>(count), MSG_DONTWAIT);
    if (sent > 0) {
      for (int i = 0; i < sent; ++i)
        results[done++] = 0;
      continue;
    }
    // The first of the rest failed: its own error, then on with the others.
    results[done] = sent < 0 ? errno : EAGAIN;
    ++done;
  }
}

std::uint16_t UdpSocket::boundPort() const {
  if (fd_ < 0)
    return 0;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return 0;
  return ntohs(local.sin_port);
}

}  // namespace tarcfg
