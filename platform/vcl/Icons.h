#pragma once
// File icons as the desktop shows them, and drawing an icon on an image.
#include <QIcon>
#include <string>

class TImage;

// The icon of the file's type from the desktop's icon theme; the style's plain
// file icon when the theme has none. The file need not exist.
QIcon ExtractAssociatedIcon(const std::string& fileName);

// Draws the icon at the system icon size (32 x 32 pixels) with its top left at
// (x, y) on the image's picture, which gets the image's size when it has none.
void DrawIcon(TImage& image, int x, int y, const QIcon& icon);
