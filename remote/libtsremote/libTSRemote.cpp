// libTSRemote.so: the client remote-control library, reaching a running client over
// its Unix domain socket. Every call returns within Connection::DeadlineMs.

#pragma GCC visibility push(default)
#include "tsremote.h"
#pragma GCC visibility pop

#include "Answers.h"
#include "Connection.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {

using tsrwire::Op;

// Windows-1252, as the callers expect every text of the library to be.
constexpr const char* NotRunningText = "TeamSpeak 2 l\xE4uft nicht";
constexpr const char* NoAnswerText = "TeamSpeak 2 antwortet nicht";
constexpr const char* BadAnswerText = "Ung\xFCltige Antwort von TeamSpeak 2";
constexpr std::int32_t NoAnswerResult = -2;

std::mutex lock;
tsremote::Connection connection;
std::string lastError;

// Sends one request and reads the answer into data. Returns the call's result and
// keeps the error text of a failure.
std::int32_t call(Op op, const tsrwire::Writer& request, tsremote::AnswerData& data) {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::uint8_t> answer;
    switch (connection.exchange(op, request.data(), answer)) {
    case tsremote::Outcome::NotRunning:
        lastError = NotRunningText;
        return TSR_NOT_RUNNING;
    case tsremote::Outcome::NoAnswer:
        lastError = NoAnswerText;
        return NoAnswerResult;
    case tsremote::Outcome::BadAnswer:
        lastError = BadAnswerText;
        return tsremote::BadAnswerResult;
    case tsremote::Outcome::Answered:
        break;
    }
    const tsremote::Answer a = tsremote::decodeAnswer(answer, data);
    if (!a.wellFormed) {
        lastError = BadAnswerText;
        return tsremote::BadAnswerResult;
    }
    if (a.result != 0)
        lastError = a.error;
    return a.result;
}

std::int32_t command(Op op, const tsrwire::Writer& request) {
    tsremote::NoData none;
    return call(op, request, none);
}

// A fixed-size record, read into a copy first so a bad answer leaves it alone.
template <typename Record> std::int32_t record(Op op, const tsrwire::Writer& request, Record* out) {
    if (out == nullptr)
        return tsremote::BadAnswerResult;
    tsremote::RecordData data(out, sizeof(Record));
    const std::int32_t result = call(op, request, data);
    if (result == 0)
        data.commit();
    return result;
}

// A listing: never more entries than the caller has room for.
template <typename Item> std::int32_t listing(Op op, Item* items, std::int32_t* count) {
    if (items == nullptr || count == nullptr)
        return tsremote::BadAnswerResult;
    const std::int32_t capacity = std::clamp<std::int32_t>(
        *count, 0, static_cast<std::int32_t>(tsrwire::MaxPayload / sizeof(Item)) - 1);
    tsrwire::Writer request;
    request.i32(capacity);
    tsremote::ListingData data(items, sizeof(Item), capacity, count);
    return call(op, request, data);
}

tsrwire::Writer idAndText(std::int32_t id, const char* text) {
    tsrwire::Writer w;
    w.i32(id).text(text != nullptr ? text : "");
    return w;
}

} // namespace

extern "C" {

int32_t tsrConnect(const char* url) {
    tsrwire::Writer w;
    w.text(url != nullptr ? url : "");
    return command(Op::Connect, w);
}

int32_t tsrDisconnect(void) {
    return command(Op::Disconnect, {});
}

int32_t tsrQuit(void) {
    return command(Op::Quit, {});
}

int32_t tsrGetLastError(char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0)
        return -1;
    std::lock_guard<std::mutex> guard(lock);
    const std::size_t n = std::min(lastError.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, lastError.data(), n);
    buffer[n] = '\0';
    return 0;
}

int32_t tsrGetUserInfo(UserInfoRecord* record) {
    return ::record(Op::GetUserInfo, {}, record);
}

int32_t tsrGetPlayerInfoByID(int32_t playerId, PlayerInfoRecord* record) {
    tsrwire::Writer w;
    w.i32(playerId);
    return ::record(Op::GetPlayerInfoByID, w, record);
}

int32_t tsrGetServerInfo(ServerInfoRecord* record) {
    return ::record(Op::GetServerInfo, {}, record);
}

int32_t tsrGetChannels(ChannelInfoRecord* records, int32_t* count) {
    return listing(Op::GetChannels, records, count);
}

int32_t tsrGetPlayers(PlayerInfoRecord* records, int32_t* count) {
    return listing(Op::GetPlayers, records, count);
}

int32_t tsrGetSpeakers(int32_t* playerIds, int32_t* count) {
    return listing(Op::GetSpeakers, playerIds, count);
}

int32_t tsrSwitchChannelID(int32_t channelId, const char* channelPassword) {
    return command(Op::SwitchChannelID, idAndText(channelId, channelPassword));
}

int32_t tsrSetPlayerFlags(int32_t flags) {
    tsrwire::Writer w;
    w.i32(flags);
    return command(Op::SetPlayerFlags, w);
}

int32_t tsrSendTextMessageToChannel(int32_t channelId, const char* text) {
    return command(Op::SendTextMessageToChannel, idAndText(channelId, text));
}

int32_t tsrKickPlayerFromChannel(int32_t playerId, const char* reason) {
    return command(Op::KickPlayerFromChannel, idAndText(playerId, reason));
}

int32_t tsrKickPlayerFromServer(int32_t playerId, const char* reason) {
    return command(Op::KickPlayerFromServer, idAndText(playerId, reason));
}

void tsrBeginCallBudget(int32_t budgetMs) {
    std::lock_guard<std::mutex> guard(lock);
    connection.beginBudget(budgetMs);
}

void tsrEndCallBudget(void) {
    std::lock_guard<std::mutex> guard(lock);
    connection.endBudget();
}

} // extern "C"
