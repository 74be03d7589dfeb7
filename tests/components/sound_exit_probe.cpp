// Plays a tone file (argument 1) to its end through the sound module, prints
// a line and ends with the status given as argument 2: tst_player checks that
// a process that used the sound module keeps its exit status and its output.
#include "components/cPlayer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 100;
    components::cPlayer player;
    QObject::connect(&player, &components::cPlayer::PlayDone, &app, [] { QCoreApplication::exit(0); });
    if (player.Play(QString::fromLocal8Bit(argv[1]), -1) != 0) {
        std::fprintf(stderr, "%s\n", qPrintable(player.ErrorText()));
        return 101;
    }
    if (app.exec() != 0) return 102;
    // Buffered, not flushed: it must come out all the same.
    std::printf("played to the end\n");
    return std::atoi(argv[2]);
}
