#include "QtPrompts.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

#include <algorithm>
#include <utility>

namespace platform {
namespace {

QMessageBox::Icon toQt(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::Critical:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toQt(Prompts::Answer answer) {
    switch (answer) {
    case Prompts::Answer::Ok:
        return QMessageBox::Ok;
    case Prompts::Answer::Cancel:
        return QMessageBox::Cancel;
    case Prompts::Answer::Yes:
        return QMessageBox::Yes;
    case Prompts::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons toQt(Prompts::Buttons buttons) {
    switch (buttons) {
    case Prompts::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompts::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompts::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompts::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Icons and types by name alone. The usual provider reads a file's first bytes to tell its
// type, opening every file the dialog lists; the program's databases lie beside its
// settings, and closing any descriptor of such a file ends the locks SQLite holds on it.
class NamesOnlyIcons final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Ordner") : QStringLiteral("Datei");
    }
};

// Qt's own dialog, which keeps to the provider (a desktop's dialog in this process would not).
void keepFilesShut(QFileDialog& dialog) {
    static NamesOnlyIcons icons;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
}

QString chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QtPrompts::QtPrompts(QString title, QWidget* parent)
    : m_title(std::move(title)), m_parent(parent) {}

Prompts::Answer QtPrompts::message(const QString& text, Icon icon, Buttons buttons,
                                   Answer defaultAnswer) {
    return messageTitled(m_title, text, icon, buttons, defaultAnswer);
}

Prompts::Answer QtPrompts::messageTitled(const QString& title, const QString& text, Icon icon,
                                         Buttons buttons, Answer defaultAnswer) {
    if (m_holding && buttons == Buttons::Ok) {
        const bool known = std::any_of(m_held.cbegin(), m_held.cend(), [&](const Held& h) {
            return h.title == title && h.text == text;
        });
        if (!known)
            m_held.append({title, text, icon});
        return Answer::Ok;
    }
    // The texts break lines with a carriage return alone; Qt wants a line feed.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(toQt(icon), title, shown, toQt(buttons), m_parent);
    box.setDefaultButton(toQt(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Escape and the frame's close button count as Cancel (or OK where it is alone).
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

void QtPrompts::warnLater(const QString& text) {
    showLater(m_title, text, Icon::Exclamation);
}

void QtPrompts::showLater(const QString& title, const QString& text, Icon icon) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    auto* box = new QMessageBox(toQt(icon), title, shown, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void QtPrompts::holdWarnings() {
    m_holding = true;
}

void QtPrompts::releaseHeldWarnings() {
    m_holding = false;
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held& h : held)
        showLater(h.title, h.text, h.icon);
}

std::optional<QString> QtPrompts::inputBox(const QString& title, const QString& prompt,
                                           const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtPrompts::openFileName(const QString& caption, const QString& folder,
                                const QString& filter) {
    QFileDialog dialog(m_parent, caption, folder, filter);
    keepFilesShut(dialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosen(dialog);
}

QString QtPrompts::saveFileName(const QString& caption, const QString& proposedPath,
                                const QString& filter, QString* chosenFilter) {
    const QFileInfo proposed(proposedPath);
    QFileDialog dialog(m_parent, caption, proposed.absolutePath(), filter);
    keepFilesShut(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposed.fileName());
    const QString file = chosen(dialog);
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return file;
}

QString QtPrompts::folderName(const QString& caption) {
    QFileDialog dialog(m_parent, caption);
    keepFilesShut(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return chosen(dialog);
}

QString QtPrompts::openProgramName(const QString& caption, const QString& filter) {
    // Programs here have no name extension: the dialog lists executable files.
    QFileDialog dialog(m_parent, caption, QString(), filter);
    keepFilesShut(dialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    return chosen(dialog);
}

} // namespace platform
