// What the site does to a connection's socket behind the HTTP library's back, which the library
// does not offer: its handlers never see their socket, so it is found by its ends.
#pragma once

#include <string>
#include <string_view>

namespace sample_site {

// Finds this process's socket whose local end is (localAddress, localPort) and whose peer is
// (peerAddress, peerPort), and resets its connection. The descriptor stays open, now on an
// unconnected socket, so that its owner's later calls fail harmlessly and its own close cannot
// hit a descriptor that was reused. False when no such socket was found.
bool ResetConnection(const std::string& localAddress, int localPort, const std::string& peerAddress,
                     int peerPort);

// Sends `bytes` on this process's socket whose ends are as above, then shuts down its sending
// side, so that the peer receives exactly these bytes and then the end of the connection; what
// the HTTP library sends on it afterwards goes nowhere. False when no such socket was found or
// the bytes could not all be sent.
bool SendAndEnd(const std::string& localAddress, int localPort, const std::string& peerAddress,
                int peerPort, std::string_view bytes);

// Shuts down every connection of this process whose local end is (localAddress, localPort), so
// that the threads serving idle kept-alive connections see their end at once instead of waiting
// out the keep-alive time.
void ShutDownConnections(const std::string& localAddress, int localPort);

}  // namespace sample_site
