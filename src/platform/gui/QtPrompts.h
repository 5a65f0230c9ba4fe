#pragma once

#include "Prompts.h"

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
    QString saveFileName(const QString& caption, const QString& proposedPath,
                         const QString& filter) override;
    QString folderName(const QString& caption) override;
    QString openProgramName(const QString& caption, const QString& filter) override;

private:
    QString m_title;
    QWidget* m_parent;
};

} // namespace platform
