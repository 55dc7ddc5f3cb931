// The mail check cycle: going online and offline, and the check of one
// account per tick.
#include "app/Vexil.h"

namespace vexil {

void TVexil::CheckAccount(bool) {
    if (!IsOnline) {
        Online.Hint = "Disconnected";
        ShowOnlineState();
        return;
    }
}

}  // namespace vexil
