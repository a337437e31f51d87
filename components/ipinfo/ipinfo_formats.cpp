#include "components/ipinfo/ipinfo_formats.h"

#include <cstdio>
#include <ctime>

namespace velmora::components {
namespace {

const char* const kDnsTypeNames[] = {
    "A",       "NS",    "MD",    "MF",   "CNAME", "SOA",   "MB",    "MG",  "MR",   "NULL",   "WKS",
    "PTR",     "HINFO", "MINFO", "MX",   "TEXT",  "RP",    "AFSDB", "X25", "ISDN", "RT",     "NSAP",
    "NSAPPTR", "SIG",   "KEY",   "PX",   "GPOS",  "AAAA",  "LOC",   "NXT", "EID",  "NIMLOC", "SRV",
    "ATMA",    "NAPTR", "KX",    "CERT", "A6",    "DNAME", "SINK",  "OPT"};
constexpr size_t kValueLabelWidth = 22;

std::string valueLine(const platform::CachedRecord& record) {
  std::string label = dnsTypeName(record.type) + " Record ";
  // The dot leader alternates dots and blanks by column.
  while (label.size() < kValueLabelWidth) label += label.size() % 2 == 0 ? '.' : ' ';
  return label + ": " + record.value + "\r\n";
}

std::string recordBlock(const platform::CachedRecord& record) {
  return "Record Name . . . . . : " + record.name +
         "\r\nRecord Type . . . . . : " + std::to_string(record.type) + "(" +
         dnsTypeName(record.type) + ")\r\nTime To Live  . . . . : " + std::to_string(record.ttl) +
         "\r\nData Length . . . . . : " + std::to_string(record.dataLength) +
         "\r\nSection . . . . . . . : Answer\r\n" + valueLine(record);
}

}  // namespace

std::string formatLeaseTime(int64_t secondsSince1970) {
  const std::time_t time = static_cast<std::time_t>(secondsSince1970);
  const std::tm* local = std::localtime(&time);
  if (local == nullptr) return std::string();
  char text[80] = {};
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", local->tm_mon + 1,
                local->tm_mday, local->tm_year + 1900, local->tm_hour, local->tm_min,
                local->tm_sec);
  return text;
}

std::string formatHardwareAddress(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    char pair[3] = {};
    std::snprintf(pair, sizeof pair, "%02x", byte);
    if (!text.empty()) text += '-';
    text += pair;
  }
  return text;
}

std::string nodeTypeName(uint32_t nodeType) {
  switch (nodeType) {
    case 1:
      return "BROADCAST";
    case 2:
      return "PEERTOPEER";
    case 4:
      return "MIXED";
    case 8:
      return "HYBRID";
    default:
      return std::string();
  }
}

std::string adapterTypeName(uint32_t type, bool newerForm) {
  switch (type) {
    case 1:
      return "OTHER";
    case 6:
      return "ETHERNET";
    case 9:
      return "TOKENRING";
    case 23:
      return "PPP";
    case 24:
      return "LOOPBACK";
    default:
      break;
  }
  if (!newerForm && type == 15) return "FDDI";
  if (!newerForm && type == 28) return "SLIP";
  if (newerForm && type == 37) return "ATM";
  if (newerForm && type == 71) return "WIRELESS";
  if (newerForm && type == 131) return "TUNNEL";
  if (newerForm && type == 144) return "FIREWIRE";
  return std::to_string(type);
}

std::string subnetMaskFromPrefix(int prefixLength) {
  if (prefixLength < 0 || prefixLength > 32) return std::string();
  const uint32_t mask = prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - prefixLength);
  return std::to_string(mask >> 24) + "." + std::to_string((mask >> 16) & 0xFF) + "." +
         std::to_string((mask >> 8) & 0xFF) + "." + std::to_string(mask & 0xFF);
}

std::string dnsTypeName(uint16_t type) {
  constexpr size_t kCount = sizeof kDnsTypeNames / sizeof kDnsTypeNames[0];
  return type >= 1 && type <= kCount ? kDnsTypeNames[type - 1] : "UNKNOWN";
}

std::string formatResolverCache(const std::vector<platform::CachedName>& names) {
  std::string text;
  bool first = true;
  for (const platform::CachedName& entry : names) {
    if (entry.type == 0) continue;
    if (!first) text += "\r\n";
    first = false;
    text += entry.name + "\r\n----------------------------------------\r\n";
    if (entry.records.empty()) text += "No records of type " + dnsTypeName(entry.type) + "\r\n";
    for (size_t i = 0; i < entry.records.size(); ++i) {
      if (i > 0) text += "\r\n";
      text += recordBlock(entry.records[i]);
    }
  }
  return text;
}

std::string joinList(const std::vector<std::string>& items, size_t from) {
  std::string text;
  for (size_t i = from; i < items.size(); ++i) {
    if (!text.empty()) text += ' ';
    text += items[i];
  }
  return text;
}

}  // namespace velmora::components
