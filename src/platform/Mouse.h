// Mouse buttons and the button/modifier state that comes with mouse events.
#pragma once

namespace vexil {

enum class TMouseButton { Left, Right, Middle };

// Bit set of keys and buttons held during a mouse event; handlers compare it
// as a whole ("left button only", "Ctrl and left button", "double click").
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16,
                      ssMiddle = 32, ssDouble = 64;

}  // namespace vexil
