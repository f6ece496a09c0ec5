// Plays a wave file through the Linux platform's playSound each time a line
// arrives on stdin and answers with the CLOCK_MONOTONIC time (seconds) taken
// just before the call, so a recorder can time the path from the call to
// the sound. Used by bench/cue_latency.sh.
//
//   cue_driver FILE.wav
//
// The cue player program is $OSTRA_CUE_HELPER (else ostra-cue beside this
// program).
#include "platform/linux/linux_sound_player.h"

#include <QCoreApplication>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.wav\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    ostra::LinuxSoundPlayer platform(qEnvironmentVariable("OSTRA_CUE_HELPER"));
    const QString file = QString::fromLocal8Bit(argv[1]);
    std::string line;
    while (std::getline(std::cin, line)) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        platform.play(file);
        std::printf("%lld.%09ld\n", static_cast<long long>(ts.tv_sec), ts.tv_nsec);
        std::fflush(stdout);
    }
    return 0;
}
