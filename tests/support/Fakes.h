#pragma once

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

} // namespace fakes
