// The events of the loop over the server's context: start-up, a datagram,
// the greeting timer, the loop's spare turns, the save tick and shutdown.
// They sit on the roof because they call down into the interpreter, zone
// login and the send operations; the context itself (context/server_core.h)
// calls none of them, so every handler can receive it.
#ifndef TALLYHALL_SHELL_SERVER_EVENTS_H_
#define TALLYHALL_SHELL_SERVER_EVENTS_H_

#include <cstddef>
#include <string_view>

#include "base/address.h"
#include "base/status.h"
#include "context/server_core.h"

namespace tallyhall {

// Start-up up to opening the port: the title line, LastSaveTime, the
// settings file created when missing and the seven values read. Returns the
// error when the settings file cannot be created or read; the start must not
// go on then.
Status Start(ServerCore& core);
// The banner that follows a successful opening of the port, then one warning
// line for each password (BillingPassword, MessageOpPassword,
// AccountOpPassword, SysOpPassword, in that order) that still has the value
// of the default settings text, then the setting warnings.
void WriteBanner(ServerCore& core);
// Flushes the terminal, then tells the service manager that the server
// serves (READY=1), with StatusText(); called once the port is open and the
// start lines written.
void NotifyReady(ServerCore& core);

// One datagram of at least one byte from `sender`.
void OnDatagram(ServerCore& core, const Address& sender,
                std::string_view datagram);
// A datagram of `size` bytes too long to be handed on: only counted.
void OnDatagramTooLong(ServerCore& core, std::size_t size);

// The greeting timer fired: every queued greeting leaves, oldest first.
// Short for StartGreetingRelease, then SendDueGreetings until none is due.
void OnGreetingTimer(ServerCore& core);
// Sends at most `limit` due greetings, oldest first; returns true while due
// greetings remain, so that the loop can answer datagrams between slices of
// a long queue.
bool SendDueGreetings(ServerCore& core, std::size_t limit);
// The loop's spare turns: sends due greetings, then works on the oldest long
// command and answers it when it is complete, about `units` at a time;
// returns true while work remains.
bool DoPendingWork(ServerCore& core, std::size_t units);

// The save tick: first the lines saying how many lines from senders that are
// not zones were left out since the last tick; then writes the pending
// databases and saves every zone when the save period has passed or the day
// has just begun, otherwise saves again the zones whose last save failed.
// Then tells the service manager StatusText().
void OnSaveTick(ServerCore& core);
// Shutdown: tells the service manager STOPPING=1, writes the pending
// databases, then removes every zone in table order (Disconnect, save).
// Returns false when any database is left unwritten, after a line naming
// their files.
bool Shutdown(ServerCore& core);

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_SERVER_EVENTS_H_
