// tsini: read or write one key of ts.ini exactly as Quorvex does.
//   tsini get FILE SECTION KEY          prints the value and a newline
//   tsini set FILE SECTION KEY VALUE    writes it
// The file holds Windows-1252. In a UTF-8 locale, names and values are converted both
// ways; arguments that are no valid UTF-8 (and every argument in another locale) pass as
// the file's bytes, so scripts that pass those keep working.
// Exit status: 0 done, 1 write failed or a character the file cannot hold, 2 bad usage.
#include "INIfile.h"
#include "Windows1252.h"

#include <QStringDecoder>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <optional>
#include <string>

namespace {

namespace cp = platform::windows1252;

constexpr const char* Usage = "usage: tsini get FILE SECTION KEY\n"
                              "       tsini set FILE SECTION KEY VALUE\n"
                              "       tsini --help | --version\n"
                              "Reads or writes one key of Quorvex's ts.ini as the program does.\n";

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

bool utf8Locale() {
    std::setlocale(LC_ALL, "");
    return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

// An argument as the file's bytes; nullopt when it holds a character the file cannot.
std::optional<std::string> fileBytes(const char* argument, bool utf8) {
    if (!utf8)
        return std::string(argument);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArray(argument));
    if (decoder.hasError())
        return std::string(argument);
    std::string bytes = cp::encode(text);
    if (cp::decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0)
        return std::fputs(Usage, stdout) < 0;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::printf("tsini %s\n", QUORVEX_VERSION_TEXT) < 0;
    const bool utf8 = utf8Locale();
    const bool get = argc == 5 && std::strcmp(argv[1], "get") == 0;
    const bool set = argc == 6 && std::strcmp(argv[1], "set") == 0;
    if (!get && !set)
        return usage();
    std::optional<std::string> args[3];
    for (int i = 0; i < (get ? 2 : 3); ++i) {
        args[i] = fileBytes(argv[3 + i], utf8);
        if (!args[i]) {
            std::fprintf(stderr, "tsini: \"%s\" holds a character ts.ini (Windows-1252) cannot\n",
                         argv[3 + i]);
            return 1;
        }
    }
    if (get) {
        std::string value = INIfile::INIRead(std::string(argv[2]), *args[0], *args[1]);
        if (utf8)
            value = cp::decode(value).toUtf8().toStdString();
        std::fwrite(value.data(), 1, value.size(), stdout);
        std::fputc('\n', stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (INIfile::INIWrite(std::string(argv[2]), *args[0], *args[1], *args[2]) != 0)
        return 0;
    std::fprintf(stderr, "tsini: could not write %s [%s] %s\n", argv[2], argv[3], argv[4]);
    return 1;
}
