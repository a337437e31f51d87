#ifndef TAVRO_COMPONENTS_IPINFO_IPINFO_COMPONENT_H_
#define TAVRO_COMPONENTS_IPINFO_IPINFO_COMPONENT_H_

#include <map>
#include <string>

#include "components/ipinfo/ipinfo_client.h"

namespace velmora::components {

/// The object behind an IPInfo handle: the property, method and setting
/// surface over IpInfoClient.
class IPInfoComponent : public IpInfoClient {
 public:
  IPInfoComponent();
  explicit IPInfoComponent(IpConfigServices services);

  const PropertyInfo* findProperty(int id) const override;
  const MethodInfo* findMethod(int id) const override;
  intptr_t getProperty(int id, int* length) override;
  int setProperty(int id, const PropertyValue& value) override;
  int callMethod(int id, MethodArgs& args) override;
  int configure(const ConfigSetting& setting, std::string* answer) override;

 private:
  /// Stores `value` as the text of `key` (a property id, or a method id
  /// negated) and returns it; valid until that same text changes.
  intptr_t text(int key, std::string value);
  const char* methodText(int methodId, std::string value);
  intptr_t adapterText(int id);
  intptr_t adapterNumber(int id);
  intptr_t lookupText(int id);
  intptr_t parameterValue(int id);

  std::map<int, std::string> texts_;
};

/// IPInfo static initialisations not yet balanced by a clean-up.
int ipInfoStaticUsers();

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPINFO_IPINFO_COMPONENT_H_
