#include "platform/inet.h"
namespace velmora::platform {
int socketsStartup(uint16_t* granted) { *granted = 0x0202; return 0; }
void socketsCleanup() {}
}
