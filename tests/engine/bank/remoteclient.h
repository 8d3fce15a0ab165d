#ifndef TESTS_ENGINE_BANK_REMOTECLIENT_H
#define TESTS_ENGINE_BANK_REMOTECLIENT_H

#include <winsock2.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bank/remoteserver.h"
#include "data/bytes.h"

// A remote bank client of the tests' own, over loopback. The server blocks the test's thread in
// accept, so the client connects from a thread of its own; everything after that happens on
// the test's thread.
class RemoteClient {
public:
    struct Packet {
        uint32_t m_Command;
        std::vector<uint8_t> m_Bytes;

        uint32_t U32(int offset) const {
            m_Bytes.at(offset + 3);
            return DecodeU32(m_Bytes.data() + offset);
        }
        std::string Name(int offset) const {
            return std::string(reinterpret_cast<const char*>(&m_Bytes.at(offset)));
        }
    };

    RemoteClient() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 0), &data);
    }
    ~RemoteClient() {
        Join();
        Close();
        WSACleanup();
    }

    // Connects as soon as the server listens. A server that never listens ends the test
    // program rather than leaving it blocked in accept.
    void ConnectWhenListening() {
        m_Connector = std::thread([this] {
            for (int tries = 0; tries < 1000; ++tries) {
                int port = bkRemoteServer::GetListenPort();
                if (port != 0 && Connect(port)) {
                    return;
                }
                Sleep(10);
            }
            fprintf(stderr, "RemoteClient: the server never listened.\n");
            std::abort();
        });
    }
    void Join() {
        if (m_Connector.joinable()) {
            m_Connector.join();
        }
    }

    void Close() {
        if (m_Socket != INVALID_SOCKET) {
            closesocket(m_Socket);
            m_Socket = INVALID_SOCKET;
        }
    }

    // The port of the server this client is connected to, in host byte order.
    int PeerPort() const {
        sockaddr_in peer = {};
        int length = sizeof(peer);
        if (getpeername(m_Socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
            return 0;
        }
        return ntohs(peer.sin_port);
    }

    void SendBytes(const std::vector<uint8_t>& bytes) {
        if (!bytes.empty()) {
            send(m_Socket, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0);
        }
    }

    // A packet as the client sends it: header, command, then u32 fields.
    static std::vector<uint8_t> Make(uint32_t command, const std::vector<uint32_t>& fields) {
        std::vector<uint8_t> bytes(12 + 4 * fields.size());
        uint32_t size = uint32_t(bytes.size());
        EncodeU32(size, bytes.data());
        const uint8_t magic[4] = {0x12, 0xE1, 0x45, 0x48};
        std::copy(magic, magic + 4, bytes.begin() + 4);
        EncodeU32(command, bytes.data() + 8);
        for (size_t i = 0; i < fields.size(); ++i) {
            EncodeU32(fields[i], bytes.data() + 12 + 4 * i);
        }
        return bytes;
    }
    void Send(uint32_t command, const std::vector<uint32_t>& fields) {
        SendBytes(Make(command, fields));
    }

    // Every packet that arrives until none has come for quietMs.
    std::vector<Packet> Receive(int quietMs = 300) {
        std::vector<Packet> packets;
        Packet packet;
        while (ReceiveOne(&packet, quietMs)) {
            packets.push_back(packet);
        }
        return packets;
    }

    // True when the server has closed the connection (after what it sent is read).
    bool ServerClosed(int waitMs) {
        Packet packet;
        while (ReceiveOne(&packet, waitMs)) {
        }
        return m_Closed;
    }

private:
    bool Connect(int port) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        // A small window fills at once when the client stops reading, so the server's give-up
        // path is reached after a few packets rather than megabytes of them.
        int window = 4096;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&window), sizeof(window));
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = htons(uint16_t(port));
        if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            m_Socket = s;
            return true;
        }
        closesocket(s);
        return false;
    }

    bool Wait(int waitMs) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_Socket, &readable);
        timeval timeout = {waitMs / 1000, (waitMs % 1000) * 1000};
        return select(0, &readable, nullptr, nullptr, &timeout) > 0;
    }

    bool ReceiveExactly(uint8_t* buffer, int count, int waitMs) {
        int got = 0;
        while (got < count) {
            if (!Wait(waitMs)) {
                return false;
            }
            int n = recv(m_Socket, reinterpret_cast<char*>(buffer) + got, count - got, 0);
            if (n <= 0) {
                m_Closed = true;
                return false;
            }
            got += n;
        }
        return true;
    }

    bool ReceiveOne(Packet* packet, int waitMs) {
        uint8_t head[12];
        if (m_Socket == INVALID_SOCKET || !ReceiveExactly(head, 12, waitMs)) {
            return false;
        }
        uint32_t size = head[0] | head[1] << 8;
        packet->m_Command = DecodeU32(head + 8);
        packet->m_Bytes.assign(head, head + 12);
        packet->m_Bytes.resize(size < 12 ? 12 : size);
        return size <= 12 || ReceiveExactly(packet->m_Bytes.data() + 12, int(size) - 12, waitMs);
    }

    SOCKET m_Socket = INVALID_SOCKET;
    bool m_Closed = false;
    std::thread m_Connector;
};

#endif
