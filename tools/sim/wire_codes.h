// SPDX-License-Identifier: GPL-3.0-or-later
// The numbers on the wire, seen from the router: the message commands and
// the status and refusal codes the router puts into its answers.
//
// The command names are the ones the tool uses in its own list
// (protocol/router_protocol.h, namespace command), so a message is called
// the same on both sides; the emulator keeps its own copy because it shares
// no code with the tool. tests/support/simulated_lan_test.cpp checks that
// the two lists agree.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnex_sim {

namespace command {
// The loader.
inline constexpr uint16_t kAssignLoaderAddress = 0x0001;  // hardware address, router address
inline constexpr uint16_t kDownloadBlock = 0x0002;
inline constexpr uint16_t kRestart = 0x0003;  // the loader starts the firmware it was given
inline constexpr uint16_t kEnterLoader = 0x0004;
inline constexpr uint16_t kDownloadOffer = 0x0011;
// The running router.
inline constexpr uint16_t kLineStatusReport = 0x0F01;
inline constexpr uint16_t kRegister = 0x1001;
inline constexpr uint16_t kDeregister = 0x1003;
inline constexpr uint16_t kPasswordRequest = 0x1004;
inline constexpr uint16_t kChangePassword = 0x1005;
inline constexpr uint16_t kReadTableEntry = 0x1011;
inline constexpr uint16_t kReadAccounting = 0x1012;
inline constexpr uint16_t kConnect = 0x1013;
inline constexpr uint16_t kDisconnect = 0x1014;
inline constexpr uint16_t kStartLineMonitor = 0x1015;
inline constexpr uint16_t kStopLineMonitor = 0x1016;
inline constexpr uint16_t kWriteTableEntry = 0x1017;
inline constexpr uint16_t kWriteParameters = 0x1018;
inline constexpr uint16_t kRegistrationAccepted = 0x3001;
inline constexpr uint16_t kRegistrationRefused = 0x3003;
inline constexpr uint16_t kPassword = 0x3004;  // the host's answer to a password request
inline constexpr uint16_t kPasswordChanged = 0x3005;
inline constexpr uint16_t kTableEntry = 0x3011;
inline constexpr uint16_t kAccountingEntry = 0x3012;
inline constexpr uint16_t kTableEntryWritten = 0x3017;
inline constexpr uint16_t kParametersWritten = 0x3018;
inline constexpr uint16_t kScanAnswer = 0x3031;
inline constexpr uint16_t kOverviewAnswer = 0x3032;
inline constexpr uint16_t kScanQuery = 0xF031;
inline constexpr uint16_t kOverviewQuery = 0xF032;
}  // namespace command

// The acknowledgement of a numbered message. The router drops every other
// command 0xFFxx unread.
inline constexpr uint16_t kAcknowledgeCommand = 0xFF00;

// Status codes this router puts into write answers.
inline constexpr uint16_t kStatusWrongPassword = 3;
inline constexpr uint16_t kStatusMalformed = 7;
inline constexpr uint16_t kStatusBadPosition = 8;
inline constexpr uint16_t kStatusTableFull = 9;
// Refusal codes.
inline constexpr uint16_t kRefuseUnknownChallenge = 2;
inline constexpr uint16_t kRefuseWrongPassword = 3;
inline constexpr uint16_t kRefuseHeld = 4;

}  // namespace tarnex_sim
