#pragma once

#include "ClientLibrary.h"

namespace platform {

// The client the user chose, changeable while the program runs: every call goes to
// the library chosen last.
class ClientSwitch final : public ClientLibrary {
public:
    ClientSwitch(ClientLibrary& teamSpeak, ClientLibrary& mumble)
        : m_teamSpeak(teamSpeak), m_mumble(mumble) {}

    void choose(ClientKind kind) {
        m_current = kind == ClientKind::Mumble ? &m_mumble : &m_teamSpeak;
    }
    ClientKind kind() const override { return m_current->kind(); }

    int32_t connect(const char* url) override { return m_current->connect(url); }
    int32_t disconnect() override { return m_current->disconnect(); }
    int32_t quit() override { return m_current->quit(); }
    int32_t getLastError(char* b, int32_t n) override { return m_current->getLastError(b, n); }
    int32_t getUserInfo(UserInfoRecord* r) override { return m_current->getUserInfo(r); }
    int32_t getPlayerInfoByID(int32_t id, PlayerInfoRecord* r) override {
        return m_current->getPlayerInfoByID(id, r);
    }
    int32_t getServerInfo(ServerInfoRecord* r) override { return m_current->getServerInfo(r); }
    int32_t getChannels(ChannelInfoRecord* r, int32_t* n) override {
        return m_current->getChannels(r, n);
    }
    int32_t getPlayers(PlayerInfoRecord* r, int32_t* n) override {
        return m_current->getPlayers(r, n);
    }
    int32_t getSpeakers(int32_t* ids, int32_t* n) override {
        return m_current->getSpeakers(ids, n);
    }
    int32_t switchChannelID(int32_t id, const char* pw) override {
        return m_current->switchChannelID(id, pw);
    }
    int32_t setPlayerFlags(int32_t flags) override { return m_current->setPlayerFlags(flags); }
    int32_t sendTextMessageToChannel(int32_t id, const char* text) override {
        return m_current->sendTextMessageToChannel(id, text);
    }
    int32_t kickPlayerFromChannel(int32_t id, const char* reason) override {
        return m_current->kickPlayerFromChannel(id, reason);
    }
    int32_t kickPlayerFromServer(int32_t id, const char* reason) override {
        return m_current->kickPlayerFromServer(id, reason);
    }
    void beginCallBudget(int32_t ms) override { m_current->beginCallBudget(ms); }
    void endCallBudget() override { m_current->endCallBudget(); }

private:
    ClientLibrary& m_teamSpeak;
    ClientLibrary& m_mumble;
    ClientLibrary* m_current = &m_teamSpeak;
};

} // namespace platform
