// The sender of bench/run's DataIn figure, beside iperf3 -R's own:
//   stream_sender PORT BYTES BLOCK
// listens on 127.0.0.1:PORT, sends the first connection BYTES zero bytes in
// writes of BLOCK bytes from memory, as iperf3's sender does, then closes it.
// Plain sockets in C++: a sender that reads a file (socat), or one in
// Python, is slower than either receiver on some machines, and the figure
// would measure it instead of the receiver.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: stream_sender PORT BYTES BLOCK\n");
    return 2;
  }
  long long left = std::atoll(argv[2]);
  std::vector<char> block(static_cast<size_t>(std::atol(argv[3])));
  int server = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (block.empty() || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(server, 1) != 0) {
    std::perror("stream_sender");
    return 1;
  }
  int peer = accept(server, nullptr, nullptr);
  while (peer >= 0 && left > 0) {
    size_t size =
        left < static_cast<long long>(block.size()) ? static_cast<size_t>(left) : block.size();
    ssize_t sent = send(peer, block.data(), size, 0);
    if (sent <= 0) break;
    left -= sent;
  }
  if (left > 0) std::perror("stream_sender");
  close(peer);
  close(server);
  return left > 0 ? 1 : 0;
}
