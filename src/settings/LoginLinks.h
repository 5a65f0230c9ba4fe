#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace platform {
class Prompts;
class Registry;
class Shell;
} // namespace platform

// The login data of settings page 1 at the moment of a click.
struct LoginFields {
    QString server, port, nickname, loginName, password, channel, channelPassword;
};

// The client's login URL by plain concatenation: every "?" item present, nothing
// escaped; the autostart link leaves out ":" and the port.
QString LoginURL(const LoginFields& fields, bool withPort);

// Desktop entries: a link that opens a URL in its handler, and one that starts a program.
QString urlLinkEntry(const QString& name, const QString& url);
QString programLinkEntry(const QString& name, const QString& comment, const QString& program,
                         const QString& folder);

// Login links on the desktop or in a chosen folder, and the two autostart links.
class LoginLinks {
public:
    static constexpr const char* ProposedName = "Orvanta Login";
    static constexpr const char* Extension = ".desktop";
    static constexpr const char* ProgramLink = "Quorvex.desktop";
    static constexpr const char* ClientLink = "TS starten.desktop";

    struct Parts {
        platform::Registry& registry;
        platform::Prompts& prompts;
        platform::Shell& shell;               // opens the folder of a new link
        std::function<LoginFields()> fields;  // page 1's controls
        std::function<QString()> programName; // the program's title
        QString executable;                   // the program's own path
        std::function<bool()> mumble;         // the chosen client is Mumble
    };
    explicit LoginLinks(Parts parts);

    void MakeDesktopLink();
    void MakeFolderLink();
    void CreateFileShortcut();
    void DeleteFileShortCut();

private:
    enum class Outcome { Written, Ended };
    Outcome writeLoginLink(const QString& folder, const QString& name);
    // The chosen client's login URL; none for an address Mumble cannot take.
    std::optional<QString> loginUrl(bool withPort) const;
    void reportError(const QString& reason);

    Parts m_parts;
};
