#pragma once

#include <QIcon>
#include <QList>

// The program's icon, drawn at the size asked for when it is first shown.
QIcon ProgramIcon();

// The main window's image list: 40 images of 16 x 16 pixels. Even indices are the glyphs of the
// task actions (0 add, 2 delete, 4 submit, 6 cancel, 8 refresh, 10 first, 12 prior, 14 next,
// 16 last, 22 edit); the odd index after each is its greyed twin.
QList<QIcon> CreateImageList();
