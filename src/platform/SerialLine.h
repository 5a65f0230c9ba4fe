#pragma once

#include <QString>

namespace platform {

// One serial port used only for its two modem control lines (RTS and DTR).
class SerialLine {
public:
    enum class Result { Ok, NotFound, Busy, PermissionDenied, Unsupported, Gone, Failed };

    virtual ~SerialLine() = default;
    // 9600 baud, 8N1, exclusive; both lines inactive once it returns Ok.
    virtual Result open(const QString& device) = 0;
    virtual Result setRequestToSend(bool active) = 0;
    virtual Result setDataTerminalReady(bool active) = 0;
    // Ok while the open port is still there; Gone once its device has vanished.
    virtual Result check() = 0;
    // Drops both lines, then closes.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The open port's file descriptor, -1 when closed: lets a fatal signal drop the lines.
    virtual int nativeHandle() const = 0;
    virtual QString errorText() const = 0;
};

} // namespace platform
