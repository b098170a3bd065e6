// xpm2png: converts the program's XPM icon to the PNG the desktop theme wants.
// Used at build time only; not installed.

#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xpm2png INPUT.xpm OUTPUT.png\n");
        return 2;
    }
    QImage image;
    if (!image.load(QString::fromLocal8Bit(argv[1]), "XPM")) {
        std::fprintf(stderr, "xpm2png: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "xpm2png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
