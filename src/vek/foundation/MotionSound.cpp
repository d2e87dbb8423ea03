#include "vek/foundation/MotionSound.h"

#include <alsa/asoundlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"

namespace vek {

namespace {

struct Wave {
    unsigned channels = 0;
    unsigned rate = 0;
    unsigned bytesPerSample = 0;
    std::vector<uint8_t> frames;
};

uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Reads a PCM RIFF/WAVE file (8 or 16 bit); false for anything else.
bool readWave(const std::string& path, Wave& wave) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    std::size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = le32(&bytes[at + 4]);
        const std::size_t body = at + 8;
        if (body + size > bytes.size()) break;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
            if (le16(&bytes[body]) != 1) return false;  // PCM only
            wave.channels = le16(&bytes[body + 2]);
            wave.rate = le32(&bytes[body + 4]);
            wave.bytesPerSample = le16(&bytes[body + 14]) / 8;
            haveFormat = true;
        } else if (std::memcmp(&bytes[at], "data", 4) == 0 && haveFormat) {
            wave.frames.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                               bytes.begin() + static_cast<std::ptrdiff_t>(body + size));
            return wave.channels > 0 && wave.rate > 0 && (wave.bytesPerSample == 1 || wave.bytesPerSample == 2) &&
                   !wave.frames.empty();
        }
        at = body + size + (size & 1);
    }
    return false;
}

// Plays the wave in a loop from the event loop: a timer tops up the device
// buffer without blocking, so no thread is needed.
class SoundPlayer {
public:
    ~SoundPlayer() { stop(); }

    void start() {
        if (playing_) return;
        playing_ = true;
        if (!wave_.frames.empty() || readWave(joinPath(installSubfolder(InstallSubfolder::data), "qdx.wav"), wave_))
            openDevice();
    }

    void stop() {
        if (!playing_) return;
        playing_ = false;
        if (timer_) eventLoop().stopTimer(timer_);
        timer_ = 0;
        if (pcm_) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

    bool playing() const { return playing_; }
    bool audible() const { return pcm_ != nullptr; }

private:
    void openDevice() {
        if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            pcm_ = nullptr;
            return;
        }
        const snd_pcm_format_t format = wave_.bytesPerSample == 1 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        if (snd_pcm_set_params(pcm_, format, SND_PCM_ACCESS_RW_INTERLEAVED, wave_.channels, wave_.rate, 1, 200000) <
            0) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
            return;
        }
        offset_ = 0;
        feed();
        timer_ = eventLoop().startTimer(0.05, [this] { feed(); });
    }

    void feed() {
        if (!pcm_) return;
        const std::size_t frameBytes = wave_.channels * wave_.bytesPerSample;
        const std::size_t totalFrames = wave_.frames.size() / frameBytes;
        for (int rounds = 0; rounds < 64; ++rounds) {
            const snd_pcm_uframes_t chunk = totalFrames - offset_;
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, wave_.frames.data() + offset_ * frameBytes, chunk);
            if (n == -EAGAIN) return;
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return;
                continue;
            }
            offset_ = (offset_ + static_cast<std::size_t>(n)) % totalFrames;
        }
    }

    Wave wave_;
    snd_pcm_t* pcm_ = nullptr;
    std::size_t offset_ = 0;
    EventLoop::TimerId timer_ = 0;
    bool playing_ = false;
};

// Machines without a sound card are normal here; ALSA's own complaints about
// a missing card would only clutter the host's standard error.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

SoundPlayer& player() {
    eventLoop();  // constructed first so that it outlives the player
    static const bool quiet = (snd_lib_error_set_handler(&quietAlsa), true);
    (void)quiet;
    static SoundPlayer instance;
    return instance;
}

}  // namespace

void startMotionSound() {
    player().start();
}
void stopMotionSound() {
    player().stop();
}
bool isMotionSoundPlaying() {
    return player().playing();
}
bool isMotionSoundAudible() {
    return player().audible();
}

}  // namespace vek
