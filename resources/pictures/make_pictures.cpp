// Makes every picture of the program from its recipe into a folder (normally this
// one): make_pictures <folder>. Run by hand when a recipe changes; a test checks
// that the kept files are still what the recipes make.
#include "resources/pictures/art/Pictures.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (const art::KeptPicture& kept : art::KeptPictures()) {
        if (!kept.make().save(folder + u'/' + kept.file)) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(kept.file));
            return 1;
        }
    }
    QFile region(folder + QStringLiteral("/balloon.rgn"));
    const QByteArray block = art::BalloonRegion();
    if (!region.open(QIODevice::WriteOnly) || region.write(block) != block.size()) {
        std::fprintf(stderr, "make_pictures: cannot write balloon.rgn\n");
        return 1;
    }
    return 0;
}
