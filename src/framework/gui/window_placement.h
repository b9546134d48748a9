#pragma once

class QWidget;

// Puts a top-level window, frame included, in the middle of the primary screen.
void CentreOnScreen(QWidget& window);
