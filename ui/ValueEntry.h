// Typed values for the number boxes beside the sliders. Enter applies an
// integer inside the slider's range through the slider, so its slot runs as
// for a drag; anything else is refused: the range is shown in the window's
// status bar and as a tooltip at the box, and the box shows the old value.
#pragma once

class QLCDNumber;
class QLineEdit;
class QSlider;

// Enter in `edit` applies its value; leaving the box without Enter shows the
// slider's value again.
void acceptTypedValues(QLineEdit* edit, QSlider* slider);
// A display cannot take input and keeps its look at rest: a double-click
// opens an editor over it, Enter applies and closes it, Escape or leaving it
// closes it unchanged.
void acceptTypedValues(QLCDNumber* display, QSlider* slider);
