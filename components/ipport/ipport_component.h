#ifndef TAVRO_COMPONENTS_IPPORT_IPPORT_COMPONENT_H_
#define TAVRO_COMPONENTS_IPPORT_IPPORT_COMPONENT_H_

#include <istream>
#include <map>
#include <string>

#include "components/ipport/tcp_client.h"

namespace velmora::components {

/// The object behind an IPPort handle: the property and method tables of the
/// flat interface, the store of received data that `GetLine` returns, and
/// file sending.
class IPPortComponent : public TcpClient {
 public:
  IPPortComponent() = default;

  const PropertyInfo* findProperty(int id) const override;
  const MethodInfo* findMethod(int id) const override;
  intptr_t getProperty(int id, int* length) override;
  int setProperty(int id, const PropertyValue& value) override;
  int callMethod(int id, MethodArgs& args) override;

  /// `GetLine` (blocking mode only): waits for the next complete line.
  int getLine(const char** line);
  /// `SendFile` (blocking mode only): the file's bytes in 16 KiB pieces.
  int sendFile(const char* name);

 protected:
  void processData(char* data, int length, int eol) override;
  void onBlockingConnect() override { lineStore_.clear(); }

 private:
  intptr_t textResult(int id, std::string text);
  int setFlag(int id, bool on);
  int readAndSend(std::istream& file, int64_t size);

  std::string lineStore_;
  bool lineWaiting_ = false;
  std::map<int, std::string> texts_;
};

/// The factory the frame's registration uses for IPPort.
ComponentBase* createIpPortComponent();

}  // namespace velmora::components

#endif  // TAVRO_COMPONENTS_IPPORT_IPPORT_COMPONENT_H_
