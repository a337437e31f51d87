#include <winsock2.h>
#include <windows.h>

#include "platform/dns_query.h"

#include <windns.h>

namespace velmora::platform {

uint32_t dnsQueryPtr(const std::string& name, std::string* hostName) {
  constexpr DWORD kOptions = DNS_QUERY_BYPASS_CACHE | DNS_QUERY_NO_NETBT;
  PDNS_RECORD records = nullptr;
  const DNS_STATUS status =
      DnsQuery_A(name.c_str(), DNS_TYPE_PTR, kOptions, nullptr, &records, nullptr);
  if (status != 0) return static_cast<uint32_t>(status);
  if (records == nullptr) return DNS_INFO_NO_RECORDS;
  // An answer may begin with the CNAME of a delegated reverse zone; its
  // target is a zone name, not the host's.
  uint32_t result = DNS_INFO_NO_RECORDS;
  for (PDNS_RECORD r = records; r != nullptr; r = r->pNext) {
    if (r->wType == DNS_TYPE_PTR && r->Data.PTR.pNameHost != nullptr) {
      *hostName = reinterpret_cast<const char*>(r->Data.PTR.pNameHost);
      result = 0;
      break;
    }
  }
  DnsFree(records, DnsFreeRecordList);
  return result;
}

bool setDnsServersForTesting(const std::string&) { return false; }

}  // namespace velmora::platform
