#include "platform/inet.h"
#include <winsock2.h>
namespace velmora::platform {
int socketsStartup(uint16_t* granted) { WSADATA d; int r = WSAStartup(MAKEWORD(2,2), &d); *granted = d.wVersion; return r; }
void socketsCleanup() { WSACleanup(); }
}
