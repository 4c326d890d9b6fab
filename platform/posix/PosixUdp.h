// The UDP seam on POSIX sockets: one listener thread per open socket hands datagrams to the main
// thread through platform::Post.
#pragma once

#include "platform/Udp.h"

namespace platform::posix {

// Sets NewUdpSocket and LocalIPv4Addresses to the POSIX backend.
void InstallPosixUdp();

} // namespace platform::posix
