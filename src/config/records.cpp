// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/records.h"

namespace tarcfg {

bool SameLineTarget(const LineTarget& a, const LineTarget& b) {
  return a.hostName == b.hostName && a.phoneNumber == b.phoneNumber &&
         a.layer2Base == b.layer2Base && a.layer2Protocol == b.layer2Protocol &&
         a.layer3Type == b.layer3Type && a.layer3Protocol == b.layer3Protocol &&
         a.remoteIdentification == b.remoteIdentification &&
         a.localIdentification == b.localIdentification && a.timeout == b.timeout &&
         a.manualOnly == b.manualOnly && a.channelBundling == b.channelBundling &&
         a.compression == b.compression;
}

bool SameRoute(const RouteEntry& a, const RouteEntry& b) {
  return a.netmask == b.netmask && a.match == b.match && a.gateway == b.gateway;
}

bool SameFilter(const FilterEntry& a, const FilterEntry& b) {
  return a.sendNetmask == b.sendNetmask && a.sendMatch == b.sendMatch &&
         a.receiveNetmask == b.receiveNetmask && a.receiveMatch == b.receiveMatch &&
         a.protocol == b.protocol && a.port == b.port && a.action == b.action;
}

LineTarget NewLineTarget() {
  LineTarget target;
  target.createDefaultRoute = 1;
  target.layer2Base = kLayer2BaseX75;
  target.layer2Protocol = 0;  // built-in x75
  target.layer3Type = kLayer3TypeNull;
  target.layer3Protocol = 0;  // built-in null
  target.timeout = 20;
  return target;
}

namespace {

FilterEntry MakeDefaultFilter(int action) {
  FilterEntry entry;
  entry.sendNetmask = "0.0.0.0";
  entry.sendMatch = "0.0.0.0";
  entry.receiveNetmask = "0.0.0.0";
  entry.receiveMatch = "0.0.0.0";
  entry.action = action;
  return entry;
}

}  // namespace

const FilterEntry& DefaultFilterAccept() {
  static const FilterEntry entry = MakeDefaultFilter(1);
  return entry;
}

const FilterEntry& DefaultFilterReject() {
  static const FilterEntry entry = MakeDefaultFilter(0);
  return entry;
}

bool IsDefaultFilter(const FilterEntry& entry) {
  return SameFilter(entry, DefaultFilterAccept()) || SameFilter(entry, DefaultFilterReject());
}

ProtocolTables::ProtocolTables() {
  Reset();
}

void ProtocolTables::Reset() {
  layer2_.clear();
  layer3_.clear();
  layer2_.reserve(kMaxProtocolsPerTable);
  layer3_.reserve(kMaxProtocolsPerTable);
  layer2_.push_back({"x75", kLayer2BaseX75, 0, {1500, 3, 1, 8, 7}});
  layer2_.push_back({"hdlc", kLayer2BaseHdlc, 0, {1500, 0, 0, 0, 0}});
  layer2_.push_back({"ppp", kLayer2BasePpp, 0, {0, 0, 0, 0, 0}});
  const Layer3Parameters parameters{0, 0, 0, 0, 0, 0, 8};
  layer3_.push_back({"null", kLayer3TypeNull, 0, parameters});
  layer3_.push_back({"t70nl", kLayer3TypeT70nl, 0, parameters});
  layer3_.push_back({"ppp", kLayer3TypePpp, 0, parameters});
}

const Layer2Protocol* ProtocolTables::Layer2At(int index) const {
  if (index < 0 || index >= static_cast<int>(layer2_.size()))
    return nullptr;
  return &layer2_[static_cast<std::size_t>(index)];
}

const Layer3Protocol* ProtocolTables::Layer3At(int index) const {
  if (index < 0 || index >= static_cast<int>(layer3_.size()))
    return nullptr;
  return &layer3_[static_cast<std::size_t>(index)];
}

bool ProtocolTables::AppendLayer2(const Layer2Protocol& entry) {
  if (static_cast<int>(layer2_.size()) >= kMaxProtocolsPerTable)
    return false;
  layer2_.push_back(entry);
  return true;
}

int ProtocolTables::FindLayer2ByName(std::string_view name) const {
  for (std::size_t i = 0; i < layer2_.size(); ++i)
    if (layer2_[i].name == name)
      return static_cast<int>(i);
  return kNoProtocol;
}

int ProtocolTables::FindLayer3ByName(std::string_view name) const {
  for (std::size_t i = 0; i < layer3_.size(); ++i)
    if (layer3_[i].name == name)
      return static_cast<int>(i);
  return kNoProtocol;
}

int ProtocolTables::FindLayer2ByParameters(const Layer2Parameters& parameters, int base) const {
  for (std::size_t i = 0; i < layer2_.size(); ++i)
    if (layer2_[i].base == base && layer2_[i].parameters == parameters)
      return static_cast<int>(i);
  return kNoProtocol;
}

int ProtocolTables::FindLayer3ByParameters(const Layer3Parameters& parameters, int type) const {
  for (std::size_t i = 0; i < layer3_.size(); ++i)
    if (layer3_[i].type == type && layer3_[i].parameters == parameters)
      return static_cast<int>(i);
  return kNoProtocol;
}

}  // namespace tarcfg
