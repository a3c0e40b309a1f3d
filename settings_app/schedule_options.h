// The hour of the agent's daily check, picked with three radio buttons.
#pragma once

namespace sorel::app {

// Click handlers of "4時", "6時" and "22時". Each button forms a group of
// its own, so the system checks the clicked one and leaves the others; the
// handler clears them, holds the hour and writes it into line 1.
void OnHour04Radio();
void OnHour06Radio();
void OnHour22Radio();

}  // namespace sorel::app
