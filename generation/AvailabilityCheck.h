#pragma once

#include <QString>

namespace velmora {

class Dialogs;
namespace office {
class Engine;
}

// The message shown when no office instance can be started.
QString officeMissingMessage();

// Whether an office instance can be started. Silent: any failure only means "no".
bool officeCanStart(office::Engine& engine);

// The start-up check: true when an office instance could be started; otherwise
// tells the user how to mend it and returns false (the program must end).
bool IsInstalled(office::Engine& engine, Dialogs& dialogs);

} // namespace velmora
