#pragma once

class QWidget;

// Layouts store fonts in points for 96 dots per inch. The windows keep their pixel
// sizes at every screen density, so each font set on a widget of the tree is turned
// into the pixel size it has at 96 dpi (8 pt -> 11 px, 14 pt -> 19 px).
void UsePixelFonts(QWidget* root);
