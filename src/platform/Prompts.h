#pragma once

#include <QString>

#include <optional>

namespace platform {

// Modal questions and messages to the person at the PC. Every box carries the
// executable's name as its title; the implementation knows it.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    // defaultAnswer is the button that Enter presses.
    virtual Answer message(const QString& text, Icon icon, Buttons buttons,
                           Answer defaultAnswer) = 0;
    // The same under a title of its own instead of the executable's name.
    virtual Answer messageTitled(const QString& title, const QString& text, Icon icon,
                                 Buttons buttons, Answer defaultAnswer) = 0;
    // nullopt when the person cancels.
    virtual std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                            const QString& initial) = 0;
    // Empty when cancelled.
    virtual QString openFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // A file to write, proposed as proposedPath; empty when cancelled. The filter the
    // person chose, where asked for, in chosenFilter.
    virtual QString saveFileName(const QString& caption, const QString& proposedPath,
                                 const QString& filter, QString* chosenFilter = nullptr) = 0;
    virtual QString folderName(const QString& caption) = 0;
    // An executable file; empty when cancelled.
    virtual QString openProgramName(const QString& caption, const QString& filter) = 0;

    // A warning that does not wait for its OK: for what the program reports from inside
    // its timers, which must go on (an unattended gateway keeps working).
    virtual void warnLater(const QString& text) = 0;

    void inform(const QString& text) { message(text, Icon::Information, Buttons::Ok, Answer::Ok); }
    void warn(const QString& text) { message(text, Icon::Exclamation, Buttons::Ok, Answer::Ok); }
    void warnTitled(const QString& title, const QString& text) {
        messageTitled(title, text, Icon::Exclamation, Buttons::Ok, Answer::Ok);
    }
};

} // namespace platform
