#ifndef BANK_BKREMOTEMGR_H
#define BANK_BKREMOTEMGR_H

#include "bank/bkmgr.h"
#include "bank/remotepacket.h"

// The front end of `-remote`: banks are mirrored to one client over TCP and drawn there. The
// client's value changes, bank openings and closings and its quit request arrive in Update.
class bkRemoteManager : public bkManager {
public:
    // Packets handled in one update at most; the rest wait for the next frame.
    static constexpr int MAX_PACKETS_PER_UPDATE = 64;

    // The factory for bkManager::CreateInstance: blocks until the client connects.
    static bkManager* Create();

    // Tells the client to quit and closes the connection.
    ~bkRemoteManager() override;

    bkBank* CreateBank(const char* name, int x, int y, bool notFirst) override;
    // Loads the layout file at the first call; then handles what the client sent and sends
    // the changed values of the open banks.
    void Update() override;

    // One packet from the client; ids that name nothing are reported and ignored.
    void ProcessMessage(const bkPacket& packet);

private:
    bool m_LoadConfig = true;
    bkPacketReader m_Reader;
};

#endif
