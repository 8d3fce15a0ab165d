#include "bank/bkremotemgr.h"

#include <windows.h>

#include "bank/bkremotebank.h"
#include "bank/bkremotewidget.h"
#include "bank/remotepacket.h"
#include "bank/remoteserver.h"
#include "data/printer.h"

bkManager* bkRemoteManager::Create() {
    bkRemoteServer::Install();
    return new bkRemoteManager;
}

bkRemoteManager::~bkRemoteManager() {
    bkRemoteServer::Send(bkPacket(bkPacket::QUIT, bkPacket::MIN_SIZE));
    bkRemoteServer::Shutdown();
}

bkBank* bkRemoteManager::CreateBank(const char* name, int x, int y, bool notFirst) {
    return new bkRemoteBank(name, x, y, notFirst);
}

void bkRemoteManager::Update() {
    if (m_LoadConfig) {
        LoadConfig(nullptr);
        m_LoadConfig = false;
    }
    for (int i = 0; i < MAX_PACKETS_PER_UPDATE && bkRemoteServer::IsConnected(); ++i) {
        bkPacket packet;
        bkPacketReader::Result result =
            m_Reader.Read(bkRemoteServer::Source(), GetTickCount(), &packet);
        if (result == bkPacketReader::PACKET) {
            ProcessMessage(packet);
        } else if (result != bkPacketReader::DROPPED) {
            break;
        }
    }
    for (uint32_t i = 0; i < NumBanks; ++i) {
        if (Banks[i]->IsOpen()) {
            Banks[i]->Update();
        }
    }
}

void bkRemoteManager::ProcessMessage(const bkPacket& packet) {
    uint32_t command = packet.GetCommand();
    uint32_t id = 0;
    packet.GetU32(12, &id);
    switch (command) {
    case bkPacket::QUIT:
        FatalQuit("REMOTE: Received remote quit request.");
    case bkPacket::BANK_OPENED:
    case bkPacket::BANK_CLOSED:
        if (bkRemoteBank* bank = bkRemoteBank::Find(id)) {
            bank->SetOpenFromRemote(command == bkPacket::BANK_OPENED);
        } else {
            PrintError("ProcessMessage: Unknown bank id %u received", id);
        }
        return;
    case bkPacket::VALUE:
        if (packet.GetSize() < bkPacket::VALUE_SIZE) {
            PrintError("ProcessMessage: Value packet of %d bytes, expected %d", packet.GetSize(),
                       bkPacket::VALUE_SIZE);
        } else if (bkRemoteWidget* widget = bkRemoteWidget::Find(id)) {
            widget->SetFromRemote(packet);
        } else {
            PrintError("ProcessMessage: Unknown widget id %u received", id);
        }
        return;
    default:
        PrintError("ProcessMessage: Unknown command '%x' received", command);
        return;
    }
}
