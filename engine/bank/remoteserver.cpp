#include "bank/remoteserver.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstring>

#include "data/assert.h"
#include "data/printer.h"

namespace {

SOCKET sClient = INVALID_SOCKET;
// Set once the client is accepted; cleared only when it goes or the server shuts down.
bool sConnected = false;
// Read by whoever waits to connect while Install blocks in accept.
std::atomic<int> sListenPort(0);

const int AddressSize = 16;
char sAddressOverride[AddressSize] = "";
int sPortOverride = bkRemoteServer::PORT;

bkRemoteServer sSource;

// The first address of the host's own name, unless an address was given.
in_addr GetAddress() {
    in_addr address;
    if (sAddressOverride[0]) {
        address.s_addr = inet_addr(sAddressOverride);
        return address;
    }
    char host[256] = "";
    gethostname(host, sizeof(host));
    address.s_addr = inet_addr(host);
    if (address.s_addr != INADDR_NONE) {
        return address;
    }
    hostent* entry = gethostbyname(host);
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) {
        FatalQuit("GetAddress - gethostbyname failed.");
    }
    memcpy(&address, entry->h_addr_list[0], sizeof(address));
    return address;
}

[[noreturn]] void FailPort(SOCKET socket, const char* message, int code) {
    if (socket != INVALID_SOCKET) {
        closesocket(socket);
    }
    FatalQuit(message, code);
}

SOCKET InstallPort() {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr = GetAddress();
    address.sin_port = htons(uint16_t(sPortOverride));
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        FailPort(listener, "InstallPort - socket() failed, code %d.", WSAGetLastError());
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) {
        FailPort(listener, "InstallPort - bind failed, code %d.", WSAGetLastError());
    }
    if (listen(listener, 1) == SOCKET_ERROR) {
        FailPort(listener, "InstallPort - listen failed.", 0);
    }
    int length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    sListenPort = ntohs(address.sin_port);
    return listener;
}

void Disconnect() {
    if (sClient != INVALID_SOCKET) {
        closesocket(sClient);
        sClient = INVALID_SOCKET;
    }
    sConnected = false;
}

}  // namespace

void bkRemoteServer::SetListenAddress(const char* address, int port) {
    sAddressOverride[0] = 0;
    sPortOverride = PORT;
    if (address) {
        strncpy(sAddressOverride, address, AddressSize - 1);
        sAddressOverride[AddressSize - 1] = 0;
        sPortOverride = port;
    }
}

int bkRemoteServer::GetListenPort() {
    return sListenPort;
}

void bkRemoteServer::Install() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) {
        FatalQuit("InstallServer - Couldn't find a usable WinSock DLL");
    }
    if (data.wVersion != MAKEWORD(2, 0)) {
        WSACleanup();
        FatalQuit("InstallServer - Couldn't find a usable WinSock DLL (version=%x)",
                  data.wVersion);
    }
    SOCKET listener = InstallPort();
    PrintMessage("PickupConnection ... waiting");
    SOCKET client = accept(listener, nullptr, nullptr);
    sListenPort = 0;
    if (client == INVALID_SOCKET) {
        closesocket(listener);
        FatalQuit("PickupConnection - accept failed.");
    }
    PrintMessage("PickupConnection: %d", int(client));
    // A client that stops reading would otherwise hold the program in a send for ever.
    DWORD timeout = SEND_TIMEOUT_MS;
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    sClient = client;
    closesocket(listener);
    sConnected = true;
}

void bkRemoteServer::Shutdown() {
    Disconnect();
    WSACleanup();
}

bool bkRemoteServer::IsConnected() {
    return sConnected;
}

void bkRemoteServer::Send(const bkPacket& packet) {
    if (!sConnected) {
        return;
    }
    int size = packet.GetSize();
    Assert(size >= 8);
    int sent = send(sClient, reinterpret_cast<const char*>(packet.GetData()), size, 0);
    if (sent != size) {
        PrintError("SendClientMessage: short send.");
    }
    if (sent == SOCKET_ERROR) {
        PrintError("bkRemoteServer: the connection to the client failed, code %d.",
                   WSAGetLastError());
        Disconnect();
    }
}

bkRemoteServer* bkRemoteServer::Source() {
    return &sSource;
}

int bkRemoteServer::Receive(void* buffer, int count) {
    if (!sConnected) {
        return -1;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(sClient, &readable);
    timeval timeout = {0, 0};
    if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) {
        return 0;
    }
    int got = recv(sClient, static_cast<char*>(buffer), count, 0);
    if (got > 0) {
        return got;
    }
    if (got == 0) {
        PrintError("bkRemoteServer: the client has closed the connection.");
    } else {
        PrintError("bkRemoteServer: the connection to the client failed, code %d.",
                   WSAGetLastError());
    }
    Disconnect();
    return -1;
}
