#include "platform/Udp.h"

namespace platform {

std::unique_ptr<IUdpSocket> (*NewUdpSocket)() = nullptr;
std::vector<std::string> (*LocalIPv4Addresses)() = nullptr;

} // namespace platform
