#pragma once

#include <QString>

namespace platform {

class Sound {
public:
    virtual ~Sound() = default;
    // Plays a wave file and returns when it has ended. False at once when the file
    // cannot be played or another sound of ours is still playing.
    virtual bool playWaveSync(const QString& path) = 0;
    // Starts a sound file and returns at once.
    virtual bool playAsync(const QString& path) = 0;
    // A sound of ours is playing now (synchronous or not).
    virtual bool playing() const = 0;
};

} // namespace platform
