// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
  ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), 0,
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
  ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n < 0)
    return result;
  result.length = static_cast<int>(n);
  result.sender = ntohl(from.sin_addr.s_addr);
  result.senderPort = ntohs(from.sin_port);
  return result;
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
