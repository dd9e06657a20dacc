// The game's pictures, title picture and sounds, embedded in the program with
// the Qt resource system. The game refers to a picture only by its list and
// index, as the image lists of the form hold them.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The three image lists of the main window.
enum class TImageList {
    DIBImageList1,  // 0 "Back"
    DIBImageList2,  // 0 "But_start", 1 "bbk", 2 "but_high"
    bacs_image,     // 0..10 the reaction tube levels, 11 "Weapon"
};

// Number of pictures in a list.
int ListImageCount(TImageList list);

// Picture `index` of `list`, ready to draw (ARGB32 premultiplied). In an
// entry whose black is drawn transparent ("But_start") every pure black pixel
// has alpha 0 already. A null image for an index outside the list.
QImage ListImage(TImageList list, int index);

// The base name of picture `index` of `list` ("back", "but_start", "bacs_07"
// ...): images/<name>.png among the assets. Empty for an index outside the list.
QString ListImageName(TImageList list, int index);

// True for the entries whose pure black #000000 is drawn fully transparent,
// so that what lies beneath (the star field) shows through.
bool ListImageBlackTransparent(TImageList list, int index);

// The title picture (460 x 200), decoded from the embedded baseline JPEG with
// libjpeg. A null image if it cannot be decoded.
QImage TitlePicture();

// Decodes a JPEG held in memory with libjpeg. A damaged or truncated file
// gives a null image; it never ends the program.
QImage DecodeJpeg(const QByteArray& bytes);

// The bytes of an embedded sound, a whole RIFF WAVE file: "p1_0", "p1_1" or
// "m_0". Empty for an unknown name.
QByteArray WaveFileBytes(const QString& name);
