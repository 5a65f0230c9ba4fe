#pragma once

#include "Clock.h"
#include "Prompts.h"
#include "QtPrint.h"
#include "SchemeHandler.h"
#include "Shell.h"
#include "Sound.h"

#include <QStringList>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fakes {

// The next queued answer, or the empty one (a cancelled dialog) when none is queued.
template <typename T> T takeNext(std::deque<T>& queue) {
    if (queue.empty())
        return T();
    T next = std::move(queue.front());
    queue.pop_front();
    return next;
}

// Answers each question with the next queued answer (Cancel when none is queued)
// and records every box it was asked to show.
class Prompts final : public platform::Prompts {
public:
    struct Shown {
        QString text;
        Icon icon;
        Buttons buttons;
        Answer defaultAnswer;
        QString title; // empty: the executable's name
    };
    std::deque<Answer> nextAnswers;
    std::vector<Shown> shown;
    std::function<void()> onMessage; // runs while the box "waits", as timers would

    Answer message(const QString& text, Icon icon, Buttons buttons, Answer def) override {
        return messageTitled(QString(), text, icon, buttons, def);
    }
    Answer messageTitled(const QString& title, const QString& text, Icon icon, Buttons buttons,
                         Answer def) override {
        shown.push_back({text, icon, buttons, def, title});
        if (onMessage)
            onMessage();
        if (nextAnswers.empty())
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        const Answer a = nextAnswers.front();
        nextAnswers.pop_front();
        return a;
    }
    void warnLater(const QString& text) override {
        shown.push_back({text, Icon::Exclamation, Buttons::Ok, Answer::Ok, QString()});
    }
    struct Asked {
        QString title, prompt, initial;
    };
    std::vector<Asked> asked;                      // every input box
    std::deque<std::optional<QString>> nextInputs; // answers; none queued: cancelled
    std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                    const QString& initial) override {
        asked.push_back({title, prompt, initial});
        return takeNext(nextInputs);
    }
    std::deque<QString> nextFiles; // answers of the file dialogs, empty: cancelled
    QStringList fileFilters;       // the filter each file dialog was shown with
    QString openFileName(const QString&, const QString&, const QString& filter) override {
        return nextFile(filter);
    }
    QString openProgramName(const QString&, const QString& filter) override {
        return nextFile(filter);
    }
    std::deque<QString> nextFilters; // the filter chosen in each save dialog
    QString saveFileName(const QString&, const QString&, const QString& filter,
                         QString* chosenFilter) override {
        if (chosenFilter)
            *chosenFilter = takeNext(nextFilters);
        return nextFile(filter);
    }
    std::deque<QString> nextFolders; // answers of the folder picker, empty: cancelled
    QStringList folderCaptions;
    QString folderName(const QString& caption) override {
        folderCaptions << caption;
        return takeNext(nextFolders);
    }

private:
    QString nextFile(const QString& filter) {
        fileFilters << filter;
        return takeNext(nextFiles);
    }
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

// Plays nothing; records what it was asked to play and answers as told.
class Sound final : public platform::Sound {
public:
    QStringList played; // every synchronous call, in order
    QStringList playedAsync;
    QStringList failing;                // paths that fail
    std::function<void()> whilePlaying; // runs inside each synchronous call
    bool busy = false;                  // another sound of ours plays
    bool playing() const override { return busy; }
    bool playWaveSync(const QString& path) override {
        played << path;
        if (whilePlaying)
            whilePlaying();
        return !failing.contains(path);
    }
    bool playAsync(const QString& path) override {
        playedAsync << path;
        return !failing.contains(path);
    }
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
