// tsremote-bridge: serves the real TeamSpeak 2 client's 32-bit remote-control library
// on the socket our 64-bit libTSRemote.so speaks, so Quorvex works with it unchanged.
//   tsremote-bridge [--library PATH] [--verbose]
#include "Bridge.h"
#include "ClientApi.h"
#include "TsrWire.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> stopRequested{false};

// Nothing to serve until a client is installed: the user unit does not restart on it.
constexpr int NoLibraryStatus = 3;

void onSignal(int) {
    stopRequested = true;
}

constexpr const char* Usage = "usage: tsremote-bridge [--library PATH] [--verbose]\n"
                              "       tsremote-bridge --help | --version\n"
                              "Serves the TeamSpeak 2 client's 32-bit remote-control library on "
                              "the socket\nQuorvex's libTSRemote.so speaks: $TSREMOTE_SOCKET, "
                              "else tsremote.sock in\n$XDG_RUNTIME_DIR. Exit status 3: no client "
                              "library found.\n";

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    std::string library;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--library") == 0 && i + 1 < argc)
            library = argv[++i];
        else if (std::strcmp(argv[i], "--verbose") == 0)
            verbose = true;
        else if (std::strcmp(argv[i], "--help") == 0)
            return std::fputs(Usage, stdout) < 0;
        else if (std::strcmp(argv[i], "--version") == 0)
            return std::printf("tsremote-bridge %s\n", QUORVEX_VERSION_TEXT) < 0;
        else
            return usage();
    }
    const char* fromEnvironment = std::getenv("TSREMOTE_CLIENT_LIBRARY");
    const char* home = std::getenv("HOME");
    const auto candidates =
        bridge::candidatePaths(library, fromEnvironment ? fromEnvironment : "", home ? home : "");
    bridge::ClientApi api;
    std::string loaded, why;
    if (!bridge::loadClientLibrary(candidates, api, loaded, why)) {
        std::fprintf(stderr,
                     "tsremote-bridge: no TeamSpeak 2 remote-control library found; tried:\n%s"
                     "Give its path with --library or TSREMOTE_CLIENT_LIBRARY.\n",
                     why.c_str());
        return NoLibraryStatus;
    }
    const std::string socketPath = tsrwire::defaultSocketPath();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::fprintf(stderr, "tsremote-bridge: %s on %s\n", loaded.c_str(), socketPath.c_str());
    bridge::Bridge bridge(api, verbose);
    const int rc = bridge::serve(socketPath, bridge, stopRequested);
    // Calls still stuck in the library must not hold the process.
    std::fflush(stderr);
    std::_Exit(rc);
}
