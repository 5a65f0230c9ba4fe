// tsini: read or write one key of ts.ini exactly as Quorvex does.
//   tsini get FILE SECTION KEY          prints the value and a newline
//   tsini set FILE SECTION KEY VALUE    writes it
// Bytes pass through unchanged. Exit status: 0 done, 1 write failed, 2 bad usage.
#include "INIfile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: tsini get FILE SECTION KEY\n"
               "       tsini set FILE SECTION KEY VALUE\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && std::strcmp(argv[1], "get") == 0) {
        const std::string value = INIfile::INIRead(std::string(argv[2]), argv[3], argv[4]);
        std::fwrite(value.data(), 1, value.size(), stdout);
        std::fputc('\n', stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "set") == 0) {
        if (INIfile::INIWrite(std::string(argv[2]), argv[3], argv[4], argv[5]) != 0)
            return 0;
        std::fprintf(stderr, "tsini: could not write %s [%s] %s\n", argv[2], argv[3], argv[4]);
        return 1;
    }
    return usage();
}
