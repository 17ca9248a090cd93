#pragma once
// Every picture the program shows, made from its recipe. The files under
// resources/pictures are these pictures, made by make_pictures.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace art {

// The character on the main window, pose 0 or 1 (the two alternate): 88 × 120,
// 24 bits; the window shows its top-left 50 × 108.
QImage Character(int pose);
// The message window's face: 40 × 55, 24 bits, see-through green around her.
QImage Face();
// The about window's title picture: she cuts a film strip with large scissors;
// 230 × 194, 24 bits, see-through green around.
QImage Title();
// The maker's logo: 200 × 54, 8 bits a pixel, on white.
QImage Logo();
// The message window's balloon: 282 × 80, 8 bits a pixel, see-through green around.
QImage Balloon();
// The balloon's outline as a stored region block: exactly the balloon's body.
QByteArray BalloonRegion();
// The program's icon, `size` pixels square, with alpha.
QImage Icon(int size);

// A kept file and the recipe that makes it.
struct KeptPicture {
    QString file;
    QImage (*make)();
};
std::vector<KeptPicture> KeptPictures();

} // namespace art
