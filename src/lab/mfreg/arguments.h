// What mfreg.exe is asked to do, read from its whole command line. The server name is
// outside text: it is taken as typed (blanks and quotes included) and only ever looked up.
#pragma once

#include <string>
#include <string_view>

namespace mfreg {

struct Request {
    enum class Action { Connect, Disconnect, Invalid };
    Action action = Action::Invalid;
    std::wstring server;  // Connect: the server to reach
};

// "mfreg NAME" connects to the farm of server NAME, "mfreg /uNAME" disconnects; NAME is
// the rest of the line after the program and its separating blanks. One pair of quotes
// around the whole of NAME is removed. Anything else is Invalid.
Request ParseCommandLine(std::wstring_view commandLine);

}  // namespace mfreg
