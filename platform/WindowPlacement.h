#pragma once

class QWidget;

// Moves a top-level window so that it stands centred over owner, or over
// the screen's work area when there is no visible owner, kept inside that
// work area. Frames count on both sides.
void centreWindow(QWidget* window, QWidget* owner);
