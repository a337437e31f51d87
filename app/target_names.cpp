#include "app/target_names.h"

// Interim: no completion and no reverse lookup until the name services land.
int countAddressParts(const std::string&) { return 0; }
std::string completePartialAddress(int, const std::string& target) { return target; }
std::string reverseLookup(const std::string& address) { return address; }
std::string reversedAddressName(const std::string&) { return std::string(); }
