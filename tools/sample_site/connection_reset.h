// Resets a connection of the server (RST instead of an orderly close), which the HTTP library
// does not offer: its handlers never see their socket.
#pragma once

#include <string>

namespace sample_site {

// Finds this process's socket whose local end is (localAddress, localPort) and whose peer is
// (peerAddress, peerPort), and resets its connection. The descriptor stays open, now on an
// unconnected socket, so that its owner's later calls fail harmlessly and its own close cannot
// hit a descriptor that was reused. False when no such socket was found.
bool ResetConnection(const std::string& localAddress, int localPort, const std::string& peerAddress,
                     int peerPort);

// Shuts down every connection of this process whose local end is (localAddress, localPort), so
// that the threads serving idle kept-alive connections see their end at once instead of waiting
// out the keep-alive time.
void ShutDownConnections(const std::string& localAddress, int localPort);

}  // namespace sample_site
