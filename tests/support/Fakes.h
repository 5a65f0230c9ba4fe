#pragma once

#include "ClientLibrary.h"
#include "Clock.h"
#include "Prompts.h"
#include "SchemeHandler.h"
#include "Shell.h"

#include <QStringList>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fakes {

// Answers each question with the next queued answer (Cancel when none is queued)
// and records every box it was asked to show.
class Prompts final : public platform::Prompts {
public:
    struct Shown {
        QString text;
        Icon icon;
        Buttons buttons;
        Answer defaultAnswer;
    };
    std::deque<Answer> nextAnswers;
    std::vector<Shown> shown;
    std::function<void()> onMessage; // runs while the box "waits", as timers would

    Answer message(const QString& text, Icon icon, Buttons buttons, Answer def) override {
        shown.push_back({text, icon, buttons, def});
        if (onMessage)
            onMessage();
        if (nextAnswers.empty())
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        const Answer a = nextAnswers.front();
        nextAnswers.pop_front();
        return a;
    }
    void warnLater(const QString& text) override {
        shown.push_back({text, Icon::Exclamation, Buttons::Ok, Answer::Ok});
    }
    std::optional<QString> inputBox(const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString folderName(const QString&) override { return {}; }
};

// A clock that moves only when told to.
class ManualClock final : public platform::Clock {
public:
    std::int64_t ms = 1'000'000;
    QDateTime now{QDate(2026, 12, 6), QTime(11, 30, 0)};

    void advance(std::int64_t delta) {
        ms += delta;
        now = now.addMSecs(delta);
    }
    std::int64_t monotonicMs() const override { return ms; }
    QDateTime localNow() const override { return now; }
    QString longTimeText(const QTime& t) const override { return t.toString(u"HH:mm:ss"); }
    QString shortDateText(const QDate& d) const override { return d.toString(u"dd.MM.yyyy"); }
};

class Shell final : public platform::Shell {
public:
    QStringList opened;
    void open(const QString& target) override { opened << target; }
};

class SchemeHandler final : public platform::SchemeHandler {
public:
    QString programPath;
    QString command() const override {
        return programPath.isEmpty() ? QString()
                                     : QStringLiteral("\"%1\" \"%%1\"").arg(programPath);
    }
    QString program() const override { return programPath; }
    bool setCommand(const QString&) override { return false; }
};

// A client library that records the calls it gets and fails those told to.
class ClientLibrary final : public platform::ClientLibrary {
public:
    std::vector<std::string> calls;
    int32_t result = 0;
    std::string lastError = "Fehler";

    int32_t connect(const char* url) override { return log("connect " + std::string(url)); }
    int32_t disconnect() override { return log("disconnect"); }
    int32_t quit() override { return log("quit"); }
    int32_t getLastError(char* buffer, int32_t size) override {
        calls.push_back("getLastError");
        std::strncpy(buffer, lastError.c_str(), static_cast<size_t>(size));
        return 0;
    }
    int32_t getUserInfo(UserInfoRecord*) override { return log("getUserInfo"); }
    int32_t getPlayerInfoByID(int32_t, PlayerInfoRecord*) override {
        return log("getPlayerInfoByID");
    }
    int32_t getServerInfo(ServerInfoRecord*) override { return log("getServerInfo"); }
    int32_t getChannels(ChannelInfoRecord*, int32_t* count) override {
        *count = 0;
        return log("getChannels");
    }
    int32_t getPlayers(PlayerInfoRecord*, int32_t* count) override {
        *count = 0;
        return log("getPlayers");
    }
    int32_t getSpeakers(int32_t*, int32_t* count) override {
        *count = 0;
        return log("getSpeakers");
    }
    int32_t switchChannelID(int32_t, const char*) override { return log("switchChannelID"); }
    int32_t setPlayerFlags(int32_t flags) override {
        return log("setPlayerFlags " + std::to_string(flags));
    }
    int32_t sendTextMessageToChannel(int32_t, const char*) override { return log("sendText"); }
    int32_t kickPlayerFromChannel(int32_t, const char*) override { return log("kickChannel"); }
    int32_t kickPlayerFromServer(int32_t, const char*) override { return log("kickServer"); }

private:
    int32_t log(std::string call) {
        calls.push_back(std::move(call));
        return result;
    }
};

} // namespace fakes
