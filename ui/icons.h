// SPDX-License-Identifier: Apache-2.0
#pragma once
// The program's small pictures, drawn in code so that no image file has to
// travel with the program.

#include <QIcon>
#include <QPixmap>

namespace kw::ui {

// 16 x 16 picture symbol shown by ImgICO and on every LstPicture entry.
QPixmap PictureIcon();

// The window and About icon: a page with a small first-aid cross.
QIcon AppIcon();
QPixmap AppPixmap(int size);

}  // namespace kw::ui
