#pragma once
// The polling windows' pauses: short sleeps with the window messages that
// arrived meanwhile handled after each, so buttons stay responsive.
namespace q17::ui {

// `slices` sleeps of `sliceMs`, pending messages processed after each.
void PauseWithMessages(int slices, int sliceMs);

}  // namespace q17::ui
