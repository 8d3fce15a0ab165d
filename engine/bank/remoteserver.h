#ifndef BANK_REMOTESERVER_H
#define BANK_REMOTESERVER_H

#include "bank/remotepacket.h"

// The one TCP connection of the remote banks, in which this program is the server: WinSock
// start-up, the listening socket, the blocking accept of the one client, sends and polled
// receives. Every failure of the set-up ends the program.
class bkRemoteServer : public bkByteSource {
public:
    static constexpr int PORT = 8510;
    // A send that cannot go out within this time gives up the client.
    static constexpr int SEND_TIMEOUT_MS = 5000;

    // Where the server listens: by default the first address of the host's name on PORT. A
    // dotted address and port given here take their place (port 0 lets the system choose);
    // null restores the default.
    static void SetListenAddress(const char* address, int port);
    // The port being listened on while Install waits for the client, else 0.
    static int GetListenPort();

    // Starts WinSock, listens and blocks until one client connects.
    static void Install();
    // Closes the client connection and WinSock.
    static void Shutdown();
    static bool IsConnected();
    // Sends the whole packet in one call while connected.
    static void Send(const bkPacket& packet);
    // The source of the client's bytes.
    static bkRemoteServer* Source();

    // Polls without waiting; -1 once the client has gone, after which the server no longer
    // polls or sends.
    int Receive(void* buffer, int count) override;
};

#endif
