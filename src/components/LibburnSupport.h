// What every libburn user of the program shares: the library's one-time
// set-up and its message queue.
#pragma once

#include <QString>

namespace components {

// libburn initialised once per process, with its own signal handling off and
// its messages queued rather than printed; false when it could not start.
bool libburnReady();
// The last message libburn queued (the queue drained); "" when none. Why
// libburn could not be loaded, when it could not.
QString libburnLastMessage();

} // namespace components
