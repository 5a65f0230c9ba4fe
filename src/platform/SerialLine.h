#pragma once

#include <QString>

namespace platform {

// One serial port used only for its modem lines: RTS and DTR out, and the four status
// lines in (a receiver's squelch comes in on one of them).
class SerialLine {
public:
    enum class Result { Ok, NotFound, Busy, PermissionDenied, Unsupported, Gone, Failed };
    enum InputLine { Dcd = 1, Cts = 2, Dsr = 4, Ri = 8 };

    virtual ~SerialLine() = default;
    // 9600 baud, 8N1, exclusive; both lines inactive once it returns Ok.
    virtual Result open(const QString& device) = 0;
    virtual Result setRequestToSend(bool active) = 0;
    virtual Result setDataTerminalReady(bool active) = 0;
    // The status lines now, as InputLine bits; from any thread.
    virtual Result inputLines(int& lines) = 0;
    // From one thread of its own: blocks until a status line changes, interruptWait() is
    // called or the port closes (Ok for all three: read the lines again). Unsupported when
    // the driver cannot wait; the caller reads the lines at intervals instead.
    virtual Result waitInputChange() = 0;
    // Wakes the waiting thread, or the next wait if none waits now: a request is never
    // lost in the moment before the wait begins.
    virtual void interruptWait() = 0;
    // How often the status line (an InputLine) has changed since the port opened, counted
    // by the driver: shows the changes between two readings. Unsupported where the driver
    // keeps no count.
    virtual Result inputChangeCount(InputLine line, int& count) {
        (void)line;
        (void)count;
        return Result::Unsupported;
    }
    // After a failed open(): the interface is still being opened and open() is to be
    // called again (soon, without a message); its failure, if it fails, comes then.
    virtual bool isOpening() const { return false; }
    // Ok while the open port is still there; Gone once its device has vanished.
    virtual Result check() = 0;
    // True where a lost interface takes its line down with it (a pulled adapter); false
    // where the radio may still be sending when it stops answering (a CAT connection).
    virtual bool dropsWhenGone() const { return true; }
    // Drops both lines, then closes.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The open port's file descriptor, -1 when closed: lets a fatal signal drop the lines.
    virtual int nativeHandle() const = 0;
    virtual QString errorText() const = 0;
};

} // namespace platform
