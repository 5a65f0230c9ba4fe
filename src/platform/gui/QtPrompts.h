#pragma once

#include "Prompts.h"

#include <QList>

class QWidget;

namespace platform {

// Message boxes and dialogs with Qt; titled with the executable's name.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QString title, QWidget* parent = nullptr);

    Answer message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) override;
    Answer messageTitled(const QString& title, const QString& text, Icon icon, Buttons buttons,
                         Answer defaultAnswer) override;
    void warnLater(const QString& text) override;
    std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                    const QString& initial) override;
    QString openFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& proposedPath, const QString& filter,
                         QString* chosenFilter = nullptr) override;
    QString folderName(const QString& caption) override;
    QString openProgramName(const QString& caption, const QString& filter) override;

    // While held, a message with OK alone waits and the call returns at once; released,
    // each distinct one shows without blocking. Start-up holds them, so that no box
    // stands between the program and its first keying.
    void holdWarnings();
    void releaseHeldWarnings();

private:
    struct Held {
        QString title, text;
        Icon icon;
    };
    void showLater(const QString& title, const QString& text, Icon icon);

    QString m_title;
    QWidget* m_parent;
    bool m_holding = false;
    QList<Held> m_held;
};

} // namespace platform
