// ostra-cue: plays the program's sound cues through the desktop's sound
// server (libcanberra). The program starts it at a cue and ends it by
// closing its input after a quiet spell, so the sound libraries are loaded
// only while cues come.
//
// Input: file paths, each ended by a NUL byte. Each one cuts off the cue
// still playing and plays the file; a missing or unreadable file, or one
// the sound server cannot play, plays the desktop's "bell" event sound.
// At the end of the input the cue still playing is let finish, however
// long it is, then the program ends.
#include <canberra.h>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <string>

namespace {

constexpr uint32_t kCueId = 1;

void play(ca_context* ctx, const std::string& path) {
    ca_context_cancel(ctx, kCueId);
    struct stat st {};
    int rc = CA_ERROR_NOTFOUND;
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(path.c_str(), R_OK) == 0)
        rc = ca_context_play(ctx, kCueId, CA_PROP_MEDIA_FILENAME, path.c_str(), CA_PROP_CANBERRA_CACHE_CONTROL,
                             "never", nullptr);
    if (rc != CA_SUCCESS && rc != CA_ERROR_DISABLED && rc != CA_ERROR_NOTAVAILABLE && rc != CA_ERROR_DISCONNECTED)
        ca_context_play(ctx, kCueId, CA_PROP_EVENT_ID, "bell", nullptr);
}

bool playing(ca_context* ctx) {
    int p = 0;
    return ca_context_playing(ctx, kCueId, &p) == CA_SUCCESS && p;
}

}  // namespace

int main() {
    ca_context* ctx = nullptr;
    if (ca_context_create(&ctx) != CA_SUCCESS) return 1;
    ca_context_change_props(ctx, CA_PROP_APPLICATION_NAME, "Ostra", CA_PROP_APPLICATION_ID, "ostra", nullptr);
    // Connecting now, before the first path arrives, saves that time at
    // the first cue.
    ca_context_open(ctx);

    std::string pending;
    bool overlong = false;  // no such path: the bell
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\0') {
                if (pending.size() < 8192)
                    pending.push_back(buf[i]);
                else
                    overlong = true;
                continue;
            }
            play(ctx, overlong ? std::string() : pending);
            pending.clear();
            overlong = false;
        }
    }
    // A long sound the user chose plays to its end; only the next cue, in a
    // new player, cuts it off (the program ends this one then).
    while (playing(ctx)) ::poll(nullptr, 0, 50);
    ca_context_destroy(ctx);
    return 0;
}
