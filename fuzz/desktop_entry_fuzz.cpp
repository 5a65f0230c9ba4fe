// Desktop-entry values and Exec lines: any text parses without harm, and what we write
// reads back as written, so no value can add a line, a key or an argument.
#include "Check.h"
#include "DesktopEntry.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

using namespace platform::desktopentry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const QString a = QString::fromUtf8(in.ConsumeRandomLengthString(64));
    const QString b = QString::fromUtf8(in.ConsumeRandomLengthString(64));
    const QString raw = QString::fromUtf8(in.ConsumeRemainingBytesAsString());

    (void)unescapeValue(raw);
    (void)splitExec(raw);

    const QString escaped = escapeValue(a);
    check(!escaped.contains(QLatin1Char('\n')) && !escaped.contains(QLatin1Char('\r')));
    check(unescapeValue(escaped) == a);

    const QString exec =
        escapeValue(quoteExecArgument(a) + QLatin1Char(' ') + quoteExecArgument(b));
    const auto args = splitExec(unescapeValue(exec));
    check(args.has_value() && *args == QStringList({a, b}));
    return 0;
}
